// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Holds the package part of the Linux program index in its build until the test releases it,
// so that tests can show what goes on without it. Released and unhooked when it goes, even
// when an assertion ends the test early. Linux only.
#pragma once

#include <atomic>
#include <chrono>
#include <future>

#include "platform/linux/program_index.h"

namespace vanto::testing {

class HeldPackageBuild {
public:
    HeldPackageBuild() {
        platform::SetPackageIndexBuildHook([this] {
            if (first_.exchange(false)) entered_.set_value();
            released_.wait();
        });
    }
    ~HeldPackageBuild() {
        Release();
        platform::SetPackageIndexBuildHook({});
    }
    HeldPackageBuild(const HeldPackageBuild&) = delete;
    HeldPackageBuild& operator=(const HeldPackageBuild&) = delete;

    // True once a package build has reached the hold within `bound`.
    bool Entered(std::chrono::seconds bound) {
        return entered_future_.wait_for(bound) == std::future_status::ready;
    }
    // Lets the held build and every later one go on; again is harmless.
    void Release() {
        if (!released_once_.exchange(true)) release_.set_value();
    }

private:
    std::promise<void> entered_, release_;
    std::future<void> entered_future_ = entered_.get_future();
    std::shared_future<void> released_ = release_.get_future().share();
    std::atomic<bool> first_{true};
    std::atomic<bool> released_once_{false};
};

}  // namespace vanto::testing
