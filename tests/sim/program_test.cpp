// The quelvar-sim program as the demo and the end-to-end tests run it.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "discovery_client.h"
#include "sim/module.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;

// The program with `arguments`, its standard output on a pipe.
struct Program {
    pid_t pid = -1;
    int output = -1;

    explicit Program(std::vector<std::string> arguments) {
        int ends[2];
        if (::pipe(ends) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(ends[1], STDOUT_FILENO);
            ::close(ends[0]);
            ::close(ends[1]);
            std::vector<char*> argv;
            std::string path = QUELVAR_SIM_PROGRAM;
            argv.push_back(path.data());
            for (auto& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(ends[1]);
        output = ends[0];
    }

    ~Program() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (output >= 0) ::close(output);
    }

    // Standard output up to and including "ready\n", or all of it if the
    // program ends first; at most five seconds.
    std::string readUntilReady() {
        std::string text;
        auto end = std::chrono::steady_clock::now() + 5s;
        while (text.find("ready\n") == std::string::npos &&
               std::chrono::steady_clock::now() < end) {
            char buffer[256];
            ssize_t count = ::read(output, buffer, sizeof buffer);
            if (count <= 0) break;
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return text;
    }

    // The exit status after SIGTERM, or -1 if it did not end within two seconds.
    int terminate() {
        ::kill(pid, SIGTERM);
        for (int n = 0; n < 200; ++n) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(10000);
        }
        return -1;
    }

    int wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST(Program, ListsItsModulesServesThemAndEndsOnSigterm) {
    QUELVAR_REQUIRE_NETNS();
    Program program({"--modules", "2", "--first-address", "127.0.0.20", "--profile", "1:twice",
                     "--profile", "1:moves-on-reset", "--link", "dup=100%,seed=5", "--profile",
                     "0:link=dup=0%"});
    ASSERT_GT(program.pid, 0);
    RecordPlace place = AddressPlaceInRecords(DefaultModule(1));
    EXPECT_EQ(program.readUntilReady(),
              "127.0.0.20 02-00-5E-10-00-00 AA 6.0\n"
              "127.0.0.21 02-00-5E-10-00-01 BA 7.1 moves-on-reset record=" +
                  std::to_string(place.record) + " offset=" + std::to_string(place.offset) +
                  "\n"
                  "ready\n");

    // Module 1 answers twice, and its link doubles each answer.
    testing::DiscoveryClient client;
    ASSERT_EQ(client.send(testing::SearchRequest(), testing::kBroadcast), 0);
    EXPECT_EQ(client.receiveUntilQuiet(300ms).size(), 5u);

    EXPECT_EQ(program.terminate(), 0);
}

TEST(Program, RefusesAddressesOutsideLoopbackAndBadProfiles) {
    QUELVAR_REQUIRE_NETNS();
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"--first-address", "192.168.1.2"},
          std::vector<std::string>{"--first-address", "127.255.255.250", "--modules", "9"},
          std::vector<std::string>{"--profile", "0:loud"},
          std::vector<std::string>{"--profile", "5:twice"},
          std::vector<std::string>{"--link", "loss=101%"},
          std::vector<std::string>{"--link", "lose=5%"}, std::vector<std::string>{"--link"},
          std::vector<std::string>{"--profile", "0:link=delay=x"},
          std::vector<std::string>{"--claim-addresses", "lo"}}) {
        Program program(arguments);
        ASSERT_GT(program.pid, 0);
        EXPECT_EQ(program.readUntilReady(), "") << arguments[1];
        EXPECT_EQ(program.wait(), 2) << arguments[1];
    }
}

}  // namespace
}  // namespace quelvar::sim
