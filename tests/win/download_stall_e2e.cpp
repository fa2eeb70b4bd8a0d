// Cancel while the worker is stuck in a network call that only the timeout
// would end (set to 20 s here, far beyond Cancel's five-second wait): the
// dialog ends the worker by force, and still nothing is left behind.
#include <gtest/gtest.h>

#include <cstdio>

#include "win/download_driver.h"

using namespace harness;
using namespace download_driver;

namespace {

::testing::Environment* const kServer = ::testing::AddGlobalTestEnvironment(new Server("download_stall_server", 20000));

TEST(DownloadStall, CancelEndsAStuckWorkerAfterFiveSecondsAndLeavesNothing) {
    struct Case {
        const char* name;
        zeph::Fault fault;
        int param;
        const char* wait_for;  // progress reached before Cancel
    };
    const Case cases[] = {
        {"stalled_mid_body", zeph::Fault::drip, 20000, "Recieved: 1 kB / 5 kB"},
        {"never_answered", zeph::Fault::never_answer, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = fresh_dir(std::string("download_") + c.name);
        const std::string chosen = join(dir, "rec.zip");
        write_file(chosen, "the zip the user already had");
        Server::instance()->serve(c.name, std::string(4096, 'Z'));
        Server::instance()->zeph().set_fault(c.fault, c.param);
        const Seen seen = download(c.name, chosen, [&](Program&, HWND dialog, Seen& s) {
            if (c.wait_for) {
                wait_progress(dialog, c.wait_for, 5000);
            } else {
                Sleep(300);  // the request is out and unanswered
            }
            press_cancel(dialog, s);
        });
        std::printf("[  timing  ] %s: %llu ms\n", c.name, seen.cancel_ms);
        EXPECT_EQ(seen.result, DOWNLOAD_FAILED);
        EXPECT_GE(seen.cancel_ms, 4900u) << "the worker cannot see Cancel before its call returns";
        EXPECT_LT(seen.cancel_ms, 7000u);
        EXPECT_EQ(list_dir(dir), std::vector<std::string>{"rec.zip"}) << "no part file is left";
        EXPECT_EQ(read_file(chosen), "the zip the user already had");
        EXPECT_EQ(download_cancel.load(), 0u) << "the request to stop is cleared for the next download";
    }
    Server::instance()->zeph().set_fault(zeph::Fault::none);
}

}  // namespace
