// The kernel object behind a handle from CreateFileW.
#pragma once

#include "kernel/handle_table.h"
#include "kernel/unique_fd.h"

namespace ce::kernel {

class FileObject final : public KernelObject {
public:
    explicit FileObject(UniqueFd fd) : m_fd(std::move(fd)) {}
    int Fd() const { return m_fd.Get(); }

private:
    UniqueFd m_fd;
};

}  // namespace ce::kernel
