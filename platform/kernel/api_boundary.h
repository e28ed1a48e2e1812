// The edge between the device API and the layer's C++: no exception crosses it.
#pragma once

#include <new>
#include <system_error>

#include "kernel/last_error.h"

namespace ce::kernel {

// Runs body and turns an exception into the device's failure: the given result and a last error.
template <class Result, class Body>
Result GuardedCall(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::system_error& error) {
        const bool isErrno = error.code().category() == std::generic_category() ||
                             error.code().category() == std::system_category();
        SetLastError(isErrno ? ErrorFromErrno(error.code().value()) : ERROR_INVALID_PARAMETER);
    }
    return failure;
}

}  // namespace ce::kernel
