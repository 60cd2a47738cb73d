#pragma once
// A lab started in a sandbox folder, with a client bound to it.

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/lab/LabTestSupport.h"
#include "tests/support/LabProcess.h"

namespace orlavo::labtest {

class LabFixture : public ::testing::Test {
protected:
    // Starts the lab with ARGS; a failed start fails the test.
    void startLab(std::vector<std::string> args = {}) {
        lab_ = std::make_unique<test::LabProcess>(sandbox_.path(), std::move(args));
        ASSERT_TRUE(lab_->running()) << lab_->error();
        client_ = newClient();
    }

    std::unique_ptr<httplib::Client> newClient() const {
        auto c = std::make_unique<httplib::Client>(lab_->host(), lab_->port());
        c->set_read_timeout(30, 0);
        c->set_write_timeout(30, 0);
        return c;
    }

    const std::filesystem::path& dir() const { return sandbox_.path(); }
    std::filesystem::path ordersDir() const { return sandbox_.path() / "orders"; }

    Sandbox sandbox_;  // declared first: goes last, after the lab has stopped
    std::unique_ptr<test::LabProcess> lab_;
    std::unique_ptr<httplib::Client> client_;
};

}  // namespace orlavo::labtest
