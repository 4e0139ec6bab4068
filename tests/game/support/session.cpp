#include "tests/game/support/session.h"

#include <AL/alext.h>
#include <GLFW/glfw3.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "runtime/rt_math.h"
#include "host//hx_app.h"
#include "host/hx_audio.h"
#include "host/hx_files.h"
#include "host/hx_gl.h"
#include "host/hx_gl11.h"
#include "host/hx_keys.h"
#include "host/hx_main.h"
#include "runtime/rt_gc.h"
#include "tests/renderer/support/fake_gl.h"
#include "tests/runtime/rt_fixture.h"
#include "tests/support/gl_window.h"

namespace {

const char kStateFile[] = ".zentrovastate";
const int kSignals[] = {SIGSEGV, SIGILL, SIGFPE};

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(int fd, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// The previous handlers and locale, put back when the session ends: the
// set-up installs the run-time's signal handlers and sets the locale.
struct SavedProcessState {
    struct sigaction handlers[3];
    std::string ctype;
};
SavedProcessState g_saved;

// One host object per process: sessions follow one another, never overlap.
bool g_sessionAlive = false;

// Pauses (false) or resumes (true) the mixing of the app's OpenAL device.
// A paused device has no mixing thread, so a fork cannot copy a lock that
// thread holds; the parent and the child each resume their own.
void SetAudioMixing(bool on) {
    HxAudio *audio = app_AudioDevice;
    if (!audio || !audio->device || !alcIsExtensionPresent(audio->device, "ALC_SOFT_pause_device")) return;
    const char *name = on ? "alcDeviceResumeSOFT" : "alcDevicePauseSOFT";
    auto call = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(audio->device, name));
    if (call) call(audio->device);
}

}  // namespace

// ---------------------------------------------------------------------------
// The scripted host

SessionHost::SessionHost(GlMode mode) : gl(mode) {}

SessionHost::~SessionHost() { DestroyWindow(); }

double SessionHost::GetTime() { return static_cast<double>(clockMs) / 1000.0; }
int SessionHost::Millisecs() { return math_Wrap(clockMs); }
void SessionHost::Sleep(double seconds) { clockMs += SleepMillis(seconds); }

void SessionHost::SetDeviceWindow(int w, int h, int) {
    focusSeen = false;
    // A window teardown sends a key-up for every key still held.
    std::set<int> held;
    held.swap(heldKeys);
    for (int code : held) KeyEvent(event_KeyUp, code);
    if (gl == GlMode::Window) {
        DestroyWindow();
        window = test_MakeGlWindow(w, h, "Velmora");
        if (!window) {
            lang_Print(String(u"glfwCreateWindow FAILED!"));
            std::abort();
        }
        glfwSwapInterval(0);
    } else {
        host_GLContextSeq += 1;
    }
    width = w;
    height = h;
}

void SessionHost::DestroyWindow() {
    if (window) glfwDestroyWindow(window);
    window = nullptr;
}

int SessionHost::CountJoysticks(bool) { return 0; }
bool SessionHost::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) { return false; }
void SessionHost::OpenUrl(String url) { openedUrls.push_back(String::CString(url).c_str()); }
void SessionHost::SetMouseVisible(bool visible) {
    mouseVisible = visible;
    HxZentrovaGame::SetMouseVisible(visible);
}

// ---------------------------------------------------------------------------
// Session

Session::Session(SessionOptions options) : options_(options) {
    if (g_sessionAlive) {
        ADD_FAILURE() << "a session is already running: end it before making the next";
        std::abort();
    }
    g_sessionAlive = true;
    std::fflush(stdout);
    // The folder: base/stdout.txt holds the output, base/run is the
    // program's current folder.
    base_.emplace();
    if (base_->Path().empty()) std::abort();  // the TempDir has said why
    folder_ = base_->Join("run");
    std::filesystem::create_directory(folder_);
    previousFolder_ = std::filesystem::current_path().string();
    std::filesystem::current_path(folder_);

    savedStdout_ = dup(1);
    int out = open(base_->Join("stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    close(out);

    setenv("ALSOFT_DRIVERS", "null", 1);  // never a real sound device
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], nullptr, &g_saved.handlers[i]);
    const char *ctype = std::setlocale(LC_CTYPE, nullptr);
    g_saved.ctype = ctype ? ctype : "C";

    rt_ResetCollector();
    if (options_.gl == GlMode::Fake) {
        FakeGl::Install();
    } else {
        glfwStarted_ = glfwInit() == GLFW_TRUE;
        if (!glfwStarted_) ADD_FAILURE() << "glfwInit failed: a GL session needs a display (run it under Xvfb)";
    }

    // The host object as host_MainBody makes it.
    host_ = std::make_unique<SessionHost>(options_.gl);
    host_->swapInterval = 1;
    host_->focusSeen = true;
    const int desktop[6] = {1920, 1080, 8, 8, 8, 60};
    for (int i = 0; i < 6; ++i) host_->desktopMode[i] = desktop[i];
    if (!options_.appFolder.empty()) host_->appFolder = host_FromUtf8(options_.appFolder);

    static char program[] = "velmora";
    static char *argv[] = {program, nullptr};
    try {
        host_MainSetup(1, argv);
    } catch (ThrowableObject *thrown) {
        host_->Die(thrown);
    }
}

Session::~Session() {
    std::fflush(stdout);
    if (::testing::Test::HasFailure()) {
        WriteAll(savedStdout_, "---- output of the session in " + folder_ + " ----\n" + Output() +
                                   "---- end of the session's output ----\n");
    }
    host_->DestroyWindow();
    CloseAudio();
    rt_ResetCollector();
    host_.reset();
    app_Game = nullptr;
    if (options_.gl == GlMode::Fake) {
        FakeGl::Uninstall();
    } else if (glfwStarted_) {
        glfwTerminate();
    }
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_saved.handlers[i], nullptr);
    std::setlocale(LC_CTYPE, g_saved.ctype.c_str());

    std::fflush(stdout);
    dup2(savedStdout_, 1);
    close(savedStdout_);
    std::error_code ignored;
    std::filesystem::current_path(previousFolder_, ignored);
    base_.reset();
    g_sessionAlive = false;
}

// The process's end would close the OpenAL device; a session closes it
// itself, so that many sessions do not leave a device (and its mixing
// thread) each.
void Session::CloseAudio() {
    if (HxAudio *audio = app_AudioDevice) audio->Close();
}

template <class F>
void Session::Event(F send) {
    send();
    if (options_.forceFullCollections) CollectFully();
}

// One more collector step of the host's, made a full collection by raising
// the new-plus-external count just above the threshold (the full step
// takes the external count back down), then the unreachable objects are
// destroyed now instead of by later allocations.
void Session::CollectFully() {
    const int64_t counted = int64_t{gc_NewBytes} + gc_ExternalBytes.load();
    if (counted <= gc_FullThreshold) {
        int64_t raise = int64_t{gc_FullThreshold} + 1 - counted;
        gc_AddExternalBytes(static_cast<int32_t>(std::min<int64_t>(raise, INT32_MAX)));
    }
    host_->CollectGarbage();
    gc_Reclaim(INT32_MAX);
}

void Session::Start() {
    host_->SetDeviceWindow(960, 540, WindowFlag_Decorated | WindowFlag_DepthBuffer);
    Event([&] { host_->StartGame(); });
}

void Session::Render() {
    Event([&] { host_->RenderGame(); });
}

void Session::Update(int ms) {
    AdvanceClock(ms);
    Event([&] { host_->UpdateGame(); });
}

void Session::Step(int passes, int ms) {
    for (int i = 0; i < passes; ++i) {
        Render();
        host_->Swap();
        AdvanceClock(ms);
        Event([&] { host_->PollEvents(); });
        if (host_->suspended) continue;
        Event([&] { host_->UpdateGame(); });
        host_->closePending = false;
    }
}

void Session::Suspend() {
    host_->focused = false;
    Event([&] { host_->SuspendGame(); });
    host_->nextUpdateTime = 0.0;
}

void Session::Resume() {
    host_->focused = true;
    host_->focusSeen = true;
    Event([&] { host_->ResumeGame(); });
    host_->nextUpdateTime = 0.0;
}

void Session::Close() {
    Event([&] { host_->HandleWindowClose(); });
}

void Session::KeyDown(int code) {
    host_->heldKeys.insert(code);
    Event([&] { host_->HandleKeyCode(code, true); });
}

void Session::KeyUp(int code) {
    host_->heldKeys.erase(code);
    Event([&] { host_->HandleKeyCode(code, false); });
}

void Session::Press(int code, int ms) {
    KeyDown(code);
    Update(ms);
    KeyUp(code);
}

void Session::MoveMouse(double x, double y) {
    mouseX_ = x;
    mouseY_ = y;
    Event([&] { host_->HandleCursorPos(x, y); });
}

void Session::MouseDown(int button) {
    Event([&] { host_->HandleMouseButton(button, GLFW_PRESS, mouseX_, mouseY_); });
}

void Session::MouseUp(int button) {
    Event([&] { host_->HandleMouseButton(button, GLFW_RELEASE, mouseX_, mouseY_); });
}

void Session::Click(double x, double y, int ms) {
    MoveMouse(x, y);
    MouseDown(0);
    Update(ms);
    MouseUp(0);
}

void Session::ResizeDevice(int w, int h) {
    if (host_->window) glfwSetWindowSize(host_->window, w, h);
    host_->HandleWindowSize(w, h);
}

int64_t Session::Now() const { return host_->clockMs; }
void Session::AdvanceClock(int ms) { host_->clockMs += ms; }

void Session::WriteState(const std::string &text) {
    std::ofstream out(folder_ + "/" + kStateFile, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string Session::ReadState() const { return ReadFile(folder_ + "/" + kStateFile); }
bool Session::StateExists() const { return std::filesystem::exists(folder_ + "/" + kStateFile); }
void Session::RemoveState() {
    std::error_code ignored;
    std::filesystem::remove(folder_ + "/" + kStateFile, ignored);
}

std::string Session::Output() const {
    std::fflush(stdout);
    return ReadFile(base_->Join("stdout.txt"));
}

ExitResult Session::RunToExit(const std::function<void(Session &)> &script, int deadlineSeconds) {
    static int runs = 0;
    const std::string outPath = base_->Join("exit-" + std::to_string(++runs) + ".txt");
    std::fflush(stdout);
    std::fflush(stderr);
    SetAudioMixing(false);
    pid_t pid = fork();
    SetAudioMixing(true);
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        return {};
    }
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        close(out);
        if (!std::freopen("/dev/null", "r", stdin)) _exit(1);
        script(*this);
        std::fflush(stdout);
        _exit(kScriptReturned);
    }
    ExitResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(deadlineSeconds);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "the session's child did not end within " << deadlineSeconds << " s";
            result.code = -SIGKILL;
            result.output = ReadFile(outPath);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) {
        result.code = WEXITSTATUS(status);
        result.exited = result.code != kScriptReturned;
    } else if (WIFSIGNALED(status)) {
        result.code = -WTERMSIG(status);
        result.exited = true;
    }
    result.output = ReadFile(outPath);
    return result;
}

uint32_t Session::ReadPixel(int x, int y) const {
    if (!host_->window) {
        ADD_FAILURE() << "ReadPixel needs a window session";
        return 0;
    }
    GLint previous = 0;
    gl11.glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl11.glFinish();
    unsigned char px[4] = {};
    gl11.glReadPixels(x, host_->height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    gl_EntryPoints.glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    return uint32_t{px[3]} << 24 | uint32_t{px[0]} << 16 | uint32_t{px[1]} << 8 | px[2];
}

bool Session::Started() const { return host_->started; }
bool Session::Suspended() const { return host_->suspended; }
const std::vector<std::string> &Session::OpenedUrls() const { return host_->openedUrls; }
