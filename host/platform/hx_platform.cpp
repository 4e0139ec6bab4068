#include "host/platform/hx_platform.h"

#include <GLFW/glfw3.h>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

extern char **environ;

platform_FileHooks platform_ReplaceFileHooks;

// readlink of /proc/self/exe, in a buffer that grows until the name fits.
std::string platform_ExecutablePath() {
    std::vector<char> buf(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

// fopen: Linux file names are bytes, and ours are UTF-8.
FILE *platform_OpenFile(const char *path, const char *mode) {
    return std::fopen(path, mode);
}

static long WriteAll(int fd, const void *data, size_t size) {
    const char *p = static_cast<const char *>(data);
    size_t done = 0;
    while (done < size) {
        long n = platform_ReplaceFileHooks.write ? platform_ReplaceFileHooks.write(fd, p + done, size - done)
                                                 : static_cast<long>(::write(fd, p + done, size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

// The folder a path names its file in ("." for a bare name).
static std::string FolderOf(const std::string &path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// A replacement's temporary file: the target's path, this mark and the
// writing process's id.
static constexpr const char *kReplaceMark = ".tmp";

// Temporary file beside the target, rename over it (atomic within one
// file system), then sync the folder so the rename itself is durable.
int platform_ReplaceFile(const char *path, const void *data, size_t size) {
    std::string target(path);
    std::string temp = target + kReplaceMark + std::to_string(static_cast<long>(getpid()));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    bool ok = size == 0 || WriteAll(fd, data, size) == static_cast<long>(size);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && platform_ReplaceFileHooks.beforeRename) platform_ReplaceFileHooks.beforeRename(temp.c_str());
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return -2;
    }
    const std::string folder = FolderOf(target);
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return 0;
}

// A timed wait that ends by time-out.
void platform_SleepMs(int ms) {
    if (ms <= 0) return;
    struct timespec t;
    t.tv_sec = ms / 1000;
    t.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

int platform_ProcessId() { return static_cast<int>(getpid()); }

// Opened URLs run as children; finished ones are reaped at the next call
// so that none is left a zombie for long.
bool platform_OpenUrl(const char *url) {
    static std::vector<pid_t> children;
    for (size_t i = 0; i < children.size();) {
        if (waitpid(children[i], nullptr, WNOHANG) != 0) {
            children[i] = children.back();
            children.pop_back();
        } else {
            ++i;
        }
    }
    char opener[] = "xdg-open";
    std::string arg(url);
    char *argv[] = {opener, arg.data(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ) != 0) return false;
    children.push_back(pid);
    return true;
}

platform_DateTime platform_LocalTime() {
    time_t now = time(nullptr);
    struct tm t = {};
    localtime_r(&now, &t);
    return platform_DateTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

int64_t platform_Microseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {
struct ThreadStart {
    void (*body)(void *);
    void *arg;
};
void *ThreadMain(void *p) {
    ThreadStart start = *static_cast<ThreadStart *>(p);
    delete static_cast<ThreadStart *>(p);
    start.body(start.arg);
    return nullptr;
}
}  // namespace

bool platform_StartThread(void (*body)(void *), void *arg) {
    auto *start = new ThreadStart{body, arg};
    pthread_t thread;
    if (pthread_create(&thread, nullptr, ThreadMain, start) != 0) {
        delete start;
        return false;
    }
    pthread_detach(thread);
    return true;
}

void *platform_GLProcAddress(const char *name) {
    return reinterpret_cast<void *>(glfwGetProcAddress(name));
}

namespace {

std::atomic<bool> g_terminationRequested{false};
void (*g_terminationWake)() = nullptr;

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

// A signal while a request is pending is the same request (Ctrl-C pressed
// twice must not lose the save), unless the loop has left that request
// untaken for the grace time: then the program is hung, and the signal is
// the way out.
void WatchTermination(void *) {
    sigset_t set = TerminationSignals();
    int64_t pendingSince = 0;
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0) continue;
        const int64_t now = platform_Microseconds();
        if (g_terminationRequested.exchange(true)) {
            if (now - pendingSince >= int64_t{platform_TerminationGraceMs} * 1000) _exit(128 + sig);
            continue;
        }
        pendingSince = now;
        if (g_terminationWake) g_terminationWake();
    }
}

}  // namespace

void platform_WatchTerminationSignals(void (*wake)()) {
    g_terminationWake = wake;
    sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    platform_StartThread(WatchTermination, nullptr);
}

bool platform_TakeTerminationRequest() { return g_terminationRequested.exchange(false); }

// kill with signal 0 only asks; EPERM means it exists but is not ours.
bool platform_ProcessAlive(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

int platform_RemoveStaleReplaceFiles(const char *path) {
    const std::string target(path);
    const size_t slash = target.rfind('/');
    const std::string folder = FolderOf(target);
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + kReplaceMark;
    DIR *d = ::opendir(folder.c_str());
    if (!d) return 0;
    std::vector<std::string> stale;
    while (dirent *e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        // The id exactly as platform_ReplaceFile writes it.
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid <= 0 || std::to_string(pid) != digits || platform_ProcessAlive(static_cast<int>(pid))) continue;
        stale.push_back(folder + "/" + name);
    }
    ::closedir(d);
    int removed = 0;
    for (const std::string &file : stale) {
        struct stat st;
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(file.c_str()) == 0) ++removed;
    }
    return removed;
}
