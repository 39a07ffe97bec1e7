// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Ombrevale
//
// Naming processes off the window's thread. Working out a product name reads the executable,
// sibling files and the registry; on a slow or hung file (a network share, a FIFO) that would
// freeze the window. The service answers at once with the name it knows, or else the file
// name, and names the file on a worker thread; the next refresh shows the name. A worker stuck
// on one file is given up for a fresh one, so one hung file keeps no other name from coming.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vanto {

class NamingService {
public:
    using Namer = std::function<std::string(const std::string& path)>;
    // Makes the namer a worker thread uses (called on that thread: a namer may keep a cache).
    using NamerFactory = std::function<Namer()>;

    // A name is asked again (the file may have been replaced) when it is older than this.
    static constexpr std::chrono::milliseconds kRenameAfter{2000};
    // A worker still on one file after this long is given up; that file keeps its file name
    // until kRetryHungAfter has passed.
    static constexpr std::chrono::milliseconds kHungAfter{3000};
    static constexpr std::chrono::milliseconds kRetryHungAfter{60000};
    // Workers given up and not yet back; beyond this no fresh worker is started.
    static constexpr int kMaxGivenUp = 4;

    // The program's namer: DisplayName with a ProductInfoCache per worker.
    NamingService();
    explicit NamingService(NamerFactory make_namer);
    ~NamingService();
    NamingService(const NamingService&) = delete;
    NamingService& operator=(const NamingService&) = delete;

    // The name of `path` when it is known, else its file name (the last part of the path, or
    // the path itself when it has none, such as "?"); never waits for a file.
    std::string NameOrFileName(const std::string& path);
    // Whether `path` has no name of its own yet (never named, or given up as hung): what
    // NameOrFileName gives for it is then only its file name, and worth asking again.
    bool Pending(const std::string& path) const;

    // Waits (at most `timeout`) until nothing is queued or being named: for tests.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    // Worker threads of every service that are still running, given-up ones included: the
    // program ends without waiting for them.
    static int Running();

    // The last part of a path, after its last "/" or "\".
    static std::string FileNameOf(const std::string& path);

    struct State;

private:
    void StartWorker();
    std::shared_ptr<State> state_;
};

}  // namespace vanto
