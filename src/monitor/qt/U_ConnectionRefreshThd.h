// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// The snapshot worker: one thread per refresh takes one connection snapshot, hands it over
// through a signal (the array travels with the signal, so nothing of the worker is read
// after it is gone) and frees itself. The window runs one at a time.
#pragma once

#include <QDeadlineTimer>
#include <QThread>

#include <atomic>
#include <functional>

#include "monitor/connection_snapshot.h"

namespace vanto {

class TConnectionRefreshThd : public QThread {
    Q_OBJECT

public:
    // Builds one snapshot into the array it is given; runs on the worker thread.
    using SnapshotSource = std::function<void(TConnectionArray&)>;

    // An empty source means TakeSnapshot. The worker deletes itself (deleteLater on the
    // thread that created it) once its thread has finished.
    explicit TConnectionRefreshThd(SnapshotSource source = {});
    ~TConnectionRefreshThd() override;

    // Workers of the whole process whose snapshot is not finished yet.
    static int Running();
    // This worker's snapshot is not finished yet (it may not have started either).
    // False from the moment the snapshot is handed over, before the thread ends: a refresh
    // asked for once the last one is in must start a new worker, not wait for one that has
    // nothing more to deliver.
    bool InFlight() const { return counted_.load() && !delivered_.load(); }

signals:
    // Emitted on the worker thread, once, with the finished snapshot. Connect it queued to
    // the user-interface thread: queued deliveries keep the order in which workers finish.
    void SnapshotTaken(vanto::TConnectionArray snapshot);

protected:
    void run() override;

private:
    void Uncount();

    SnapshotSource source_;
    std::atomic<bool> counted_{true};
    std::atomic<bool> delivered_{false};
    TConnectionArray connections_;
};

}  // namespace vanto
