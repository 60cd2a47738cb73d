#pragma once
// The HTTP server of the lab: the library's request handling over the lab's
// own connection handling, which applies the connection-level faults and
// keeps slow clients from taking the workers.
//
// The library's accept loop hands each new connection to a RequestGate; a
// connection whose header block has arrived whole goes to one of the workers,
// which answers that one request and gives a connection that stays open back
// to the gate. serve() runs all of this until stop(). A client address that
// holds its share of connections already is told 503 for the next one.

#include <httplib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "lab/ClientSlots.h"
#include "lab/FaultSwitches.h"
#include "lab/RequestGate.h"

namespace orlavo::lab {

class LabHttpServer : public httplib::Server {
public:
    // PER_ADDRESS: connections one client address may hold at once; 0: no limit.
    LabHttpServer(const FaultSwitches& faults, std::size_t workers, std::size_t perAddress);
    ~LabHttpServer() override;

    // Serves until stop() is called from another thread; the gate and the
    // workers have ended when it returns.
    bool serve();

private:
    bool process_and_close_socket(socket_t sock) override;
    void work();
    void answer(WaitingConnection connection);
    void endThreads();

    const FaultSwitches& faults_;
    std::size_t workerCount_;
    std::shared_ptr<ClientSlots> slots_;
    std::unique_ptr<RequestGate> gate_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<WaitingConnection> queue_;  // guarded by mutex_
    bool ending_ = false;                  // guarded by mutex_
    std::vector<std::thread> workers_;
};

}  // namespace orlavo::lab
