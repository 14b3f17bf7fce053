// End to end: velcora-virtual-synth on a private JACK server, reached through the program's own
// ports over the RtMidi driver.

#include "EmuMessages.h"
#include "EmuTestSupport.h"
#include "Midiin.h"
#include "Midiout.h"
#include "RtMidiDriver.h"
#include "TempDir.h"
#include "TestApp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <jack/jack.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velcora::emu {
namespace {

using namespace std::chrono_literals;
using test::ToHex;

using test::EnsureApp;

/// A child process, ended with SIGTERM when this object goes.
class TChild {
public:
    /// Runs args with its output going to log (or nowhere).
    explicit TChild(std::vector<std::string> args, const std::string& log = "/dev/null") {
        // Everything the child needs is made before the fork: this process has threads, and
        // the child may only make async-signal-safe calls before exec.
        std::vector<char*> argv;
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        FPid = fork();
        if (FPid == 0) {
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) {
                dup2(out, STDOUT_FILENO);
                dup2(out, STDERR_FILENO);
            }
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    ~TChild() { Stop(); }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    bool Started() const { return FPid > 0; }
    bool Exited() {
        if (FPid <= 0) {
            return true;
        }
        if (waitpid(FPid, &FStatus, WNOHANG) == FPid) {
            FPid = -1;
            return true;
        }
        return false;
    }
    /// SIGTERM, then waits up to five seconds (then SIGKILL); answers the wait status.
    int Stop() {
        if (FPid > 0) {
            kill(FPid, SIGTERM);
            const auto end = std::chrono::steady_clock::now() + 5s;
            while (!Exited() && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(10ms);
            }
            if (FPid > 0) {
                kill(FPid, SIGKILL);
                waitpid(FPid, &FStatus, 0);
                FPid = -1;
            }
        }
        return FStatus;
    }

private:
    pid_t FPid = -1;
    int FStatus = 0;
};

/// Whether a client can reach the server now.
bool ServerUp() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velcora-probe", JackNoStartServer, &status);
    if (!client) {
        return false;
    }
    jack_client_close(client);
    return true;
}

bool SynthPortsUp() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velcora-probe", JackNoStartServer, &status);
    if (!client) {
        return false;
    }
    const char** ports = jack_get_ports(client, "Velcora Virtual Synth", JACK_DEFAULT_MIDI_TYPE, 0);
    int count = 0;
    for (const char** p = ports; p && *p; ++p) {
        ++count;
    }
    jack_free(ports);
    jack_client_close(client);
    return count >= 2;
}

/// Every MIDI port with its connections, for failure messages.
std::string Connections() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velcora-probe", JackNoStartServer, &status);
    if (!client) {
        return "no server";
    }
    std::string text;
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, 0);
    for (const char** p = ports; p && *p; ++p) {
        text += std::string(*p) + " ->";
        const char** links = jack_port_get_all_connections(client, jack_port_by_name(client, *p));
        for (const char** l = links; l && *l; ++l) {
            text += " " + std::string(*l);
        }
        jack_free(links);
        text += "\n";
    }
    jack_free(ports);
    jack_client_close(client);
    return text;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

/// Selects the synth's device on the port; seen collects the names looked at.
template <typename TPort>
bool SelectSynth(TPort& port, uint32_t count, IMidiDriver& driver, bool input, std::string& seen) {
    for (uint32_t id = 0; id < count; ++id) {
        std::string name;
        if (input) {
            TMidiInCaps caps;
            driver.InDeviceCaps(id, caps);
            name = caps.Name;
        } else {
            TMidiOutCaps caps;
            driver.OutDeviceCaps(id, caps);
            name = caps.Name;
        }
        seen += name + "; ";
        if (name.find("Velcora Virtual Synth") != std::string::npos) {
            port.SetDeviceID(id);
            return true;
        }
    }
    return false;
}

TEST(VirtualSynthJack, ProgramTalksToTheSynthOverJack) {
    EnsureApp();
    const std::string server = "velcora-emu-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    // A long client time-out: on a busy machine a slow cycle must not get a client thrown out
    // of the graph, which would silence it for the rest of the test.
    test::TTempDir dir;
    const std::string jackLog = dir.File("jackd.log");
    TChild jackd({"jackd", "--no-realtime", "-t", "20000", "-n", server, "-d", "dummy", "-r",
                  "48000", "-p", "4096"},
                 jackLog);
    if (!jackd.Started() || !WaitFor([&] { return ServerUp() || jackd.Exited(); }, 10s) ||
        !ServerUp()) {
        GTEST_SKIP() << "jackd could not be started here";
    }

    const std::string log = dir.File("synth.log");
    const std::string banks = dir.File("banks.syx");
    TChild synth({VELCORA_VIRTUAL_SYNTH, "--jack", "--model", "XL-7", "--device-id", "9", "-v",
                  "--banks", banks},
                 log);
    // On failure, what the synth saw and said.
    struct TShowLogs {
        std::vector<std::string> Paths;
        ~TShowLogs() {
            if (::testing::Test::HasFailure()) {
                for (const auto& path : Paths) {
                    const auto bytes = test::ReadBytes(path);
                    std::cerr << path << ":\n" << std::string(bytes.begin(), bytes.end()) << "\n";
                }
            }
        }
    } showLogs{{log, jackLog}};
    ASSERT_TRUE(WaitFor([] { return SynthPortsUp(); }, 30s)) << "the synth's ports never came";

    std::vector<TBytes> sent;
    {
        TRtMidiDriver driver(TRtMidiApi::Jack, "velcora-e2e");
        TMidiOutput out(driver);
        TMidiInput in(driver);
        std::string seen;
        ASSERT_TRUE(SelectSynth(out, out.DeviceCount(), driver, false, seen)) << seen;
        ASSERT_TRUE(SelectSynth(in, in.DeviceCount(), driver, true, seen)) << seen;
        ASSERT_TRUE(out.Open());
        in.OpenAndStart();

        auto exchange = [&](const TBytes& message, size_t count,
                            std::chrono::milliseconds limit = 20000ms) {
            out.PutLong(message);
            std::vector<TBytes> got;
            const auto end = std::chrono::steady_clock::now() + limit;
            while (got.size() < count && std::chrono::steady_clock::now() < end) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                while (auto event = in.GetMidiEvent()) {
                    if (event->SysexBytes) {
                        got.emplace_back(event->SysexBytes.get(),
                                         event->SysexBytes.get() + event->SysexByteCount);
                    }
                }
            }
            return got;
        };

        // A new JACK connection may take a cycle or two to carry data; the program repeats its
        // inquiry the same way until a synth answers.
        std::vector<TBytes> identity;
        for (int attempt = 0; attempt < 60 && identity.empty(); ++attempt) {
            identity = exchange(BuildDeviceInquiry(), 1, 500ms);
        }
        ASSERT_EQ(identity.size(), 1u) << Connections();
        EXPECT_EQ(ToHex(identity[0]), "F0 7E 09 06 02 18 04 04 0D 00 32 2E 30 30 F7");

        const auto dump = exchange(BuildDumpRequest(9, {false, 3 + 1 * 128, 14}), 8);
        ASSERT_EQ(dump.size(), 8u);
        EXPECT_EQ(dump[0].size(), 36u);
        EXPECT_EQ(dump[0][33], 14) << "the ROM id in the header";
        for (size_t k = 1; k < 8; ++k) {
            EXPECT_EQ(dump[k].size(), k < 7 ? 253u : 61u);
            const auto packet = ParseDumpPacket(dump[k]);
            ASSERT_TRUE(packet);
            EXPECT_EQ(packet->Checksum, Checksum(packet->Data));
        }

        // That ROM preset, sent back to user bank 2 slot 17, comes back from there.
        sent = dump;
        sent[0][7] = 17;
        sent[0][8] = 2;
        sent[0][33] = 0;
        for (const auto& message : sent) {
            out.PutLong(message);
        }
        const auto back = exchange(BuildDumpRequest(9, {false, 17 + 2 * 128, 0}), 8);
        EXPECT_EQ(back, sent);

        in.StopAndClose();
        out.Close();
    }

    const int status = synth.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    // Stopped by SIGTERM, the synth kept its user banks: the stored dump is in the file at
    // bank 2 slot 17, as the hardware would send it closed loop with its device id.
    const TBytes file = test::ReadBytes(banks);
    ASSERT_EQ(file.size(), 512u * 1615u);
    ASSERT_EQ(sent.size(), 8u);
    size_t offset = (2 * 128 + 17) * 1615;
    for (TBytes message : sent) {
        message[6] = message[6] == subHeaderOpen ? subHeaderClosed : subDataClosed;
        EXPECT_EQ(TBytes(file.begin() + std::ptrdiff_t(offset),
                         file.begin() + std::ptrdiff_t(offset + message.size())),
                  message);
        offset += message.size();
    }
}

} // namespace
} // namespace velcora::emu
