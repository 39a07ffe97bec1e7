// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The parts of the file-system calls that are the same on every platform.
#include "platform/files.h"

namespace vanto::platform {

FindHandle::FindHandle() = default;
FindHandle::FindHandle(Impl* impl) : impl_(impl) {}
FindHandle::~FindHandle() = default;
FindHandle::FindHandle(FindHandle&& other) noexcept = default;
FindHandle& FindHandle::operator=(FindHandle&& other) noexcept = default;

bool FindHandle::IsValid() const { return impl_ != nullptr; }

void FindHandle::Close() { impl_.reset(); }

bool IsLinkEntry(std::uint32_t attributes, std::uint32_t reparse_tag, const std::function<bool()>& is_volume) {
    if ((attributes & kAttrReparsePoint) == 0) return false;
    if (reparse_tag == kReparseTagSymlink) return true;
    if (reparse_tag == kReparseTagMountPoint) return !(is_volume && is_volume());
    return false;
}

}  // namespace vanto::platform
