// The stock objects of GetStockObject: made on first use, never deleted.
#pragma once

#include <memory>

#include "gdi/gdi_object.h"

namespace ce::gdi {

// The stock object of a GetStockObject index, or null for an index the device does not have.
std::shared_ptr<GdiObject> StockObject(int index);

}  // namespace ce::gdi
