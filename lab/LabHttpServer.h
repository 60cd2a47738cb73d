#pragma once
// The HTTP server of the lab: the library's request handling over the lab's
// own connection loop, which applies the connection-level faults.

#include <httplib.h>

#include "lab/FaultSwitches.h"

namespace orlavo::lab {

class LabHttpServer : public httplib::Server {
public:
    explicit LabHttpServer(const FaultSwitches& faults);

private:
    bool process_and_close_socket(socket_t sock) override;

    const FaultSwitches& faults_;
};

}  // namespace orlavo::lab
