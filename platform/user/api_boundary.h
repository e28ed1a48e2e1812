// The edge between the device API and the layer's C++: no exception may cross it.
#pragma once

#include <new>

#include "winbase.h"

namespace ce::user {

// Runs the body of an API function. Running out of memory becomes the API's failure value with
// ERROR_NOT_ENOUGH_MEMORY, as the device reports it; anything a window procedure throws is the
// program's own and passes through.
template <class Result, class Body>
Result AtApiBoundary(Result onFailure, Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return onFailure;
    }
}

}  // namespace ce::user
