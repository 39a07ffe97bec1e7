// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
#include "monitor/qt/U_ConnectionRefreshThd.h"

#include <exception>

namespace vanto {

namespace {

std::atomic<int> g_running{0};

}  // namespace

TConnectionRefreshThd::TConnectionRefreshThd(SnapshotSource source) : source_(std::move(source)) {
    qRegisterMetaType<vanto::TConnectionArray>();
    // Counted from creation, so a worker that was started but has not been scheduled yet
    // counts as running.
    ++g_running;
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TConnectionRefreshThd::~TConnectionRefreshThd() { Uncount(); }

int TConnectionRefreshThd::Running() { return g_running.load(); }

void TConnectionRefreshThd::Uncount() {
    if (counted_.exchange(false)) --g_running;
}

void TConnectionRefreshThd::run() {
    struct Done {
        TConnectionRefreshThd* self;
        ~Done() { self->Uncount(); }
    } done{this};
    try {
        connections_.clear();
        if (source_) source_(connections_);
        else TakeSnapshot(connections_);
    } catch (const std::exception&) {
        return;  // out of memory: this refresh delivers nothing, the next one tries again
    }
    delivered_ = true;
    emit SnapshotTaken(std::move(connections_));
}

}  // namespace vanto
