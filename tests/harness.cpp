// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

#include "harness.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

double ms_since(steady::time_point t) { return std::chrono::duration<double, std::milli>(steady::now() - t).count(); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

temp_dir::temp_dir() : path((fs::temp_directory_path() / "pellmor-test-XXXXXX").string())
{
    if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
}

temp_dir::~temp_dir() { std::error_code ignored; fs::remove_all(path, ignored); }

std::string read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    if (!(bytes << in.rdbuf()) && !in) throw std::runtime_error("cannot read " + path);
    return bytes.str();
}

void write_bytes(const std::string& path, const std::string& bytes)
{
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

// What this process was started with: what its libraries have since done to its environment (SDL 3 under
// sdl12-compat sets SDL_VIDEO_DRIVER, SDL3_VERSION and SDL2_COMPAT in SDL_Init) must not reach what it starts.
std::vector<std::string> started_environment()
{
    std::vector<std::string> env;
    std::istringstream block(read_bytes("/proc/self/environ"));
    for (std::string e; std::getline(block, e, '\0');) env.push_back(e);
    return env;
}

std::vector<std::string> stated_environment(const std::vector<std::string>& changes)
{
    static const std::vector<std::string> started = started_environment();
    std::vector<std::string> env = started;
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        const auto named = [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; };
        env.erase(std::remove_if(env.begin(), env.end(), named), env.end());
        if (change != name) env.push_back(change);
    }
    return env;
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& dir, const std::vector<std::string>& changes,
            const std::string& out, const std::string& err, const std::vector<int>& fds, bool as_nobody)
{
    const std::vector<std::string> env = stated_environment(changes);  // before the fork, which may not allocate
    std::vector<char*> args, vars;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) vars.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr), vars.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // nothing outlives a runner that died
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
    dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
    for (size_t i = 0; i < fds.size(); ++i) dup2(fds[i], static_cast<int>(3 + i));
    for (int fd = static_cast<int>(3 + fds.size()); fd < 1024; ++fd) close(fd);
    const uid_t nobody = 65534;
    if (chdir(dir.c_str()) != 0 ||
        (as_nobody && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)))
        _exit(96);
    execvpe(args[0], args.data(), vars.data());
    _exit(97);
}

// The child's pidfd says when it has ended.
int wait_for(pid_t pid, int ms)
{
    pollfd ended{static_cast<int>(syscall(SYS_pidfd_open, pid, 0)), POLLIN, 0};
    int status = 0;
    bool done = false;
    const steady::time_point start = steady::now();
    while (!(done = waitpid(pid, &status, WNOHANG) == pid) && ms_since(start) <= ms)
        if (ended.fd < 0 || poll(&ended, 1, std::max(0, ms - static_cast<int>(ms_since(start)))) < 0) sleep_ms(2);
    close(ended.fd);
    return !done ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : killed_by(WTERMSIG(status));
}

void stop(pid_t pid)
{
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
}

// Xvfb writes its display's number on the pipe once it is ready.
pid_t start_xvfb(std::string& display)
{
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t server = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, ".", {},
                               "/dev/null", "/dev/null", {ready[1]});
    close(ready[1]);
    std::string number;
    for (char c; read(ready[0], &c, 1) == 1 && c != '\n';) number += c;
    close(ready[0]);
    if (number.empty()) return stop(server), -1;
    display = ":" + number;
    return server;
}

long context_switches(pid_t pid)
{
    long switches = 0;
    std::error_code gone;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", gone)) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);)
            if (line.find("ctxt_switches:") != std::string::npos) switches += std::atol(line.substr(line.find(':') + 1).c_str());
    }
    return switches;
}

const char* const windows_build = std::getenv("PELLMOR_WINDOWS_BUILD");

c_library game_c_library() { return windows_build ? c_library::msvcrt : c_library::glibc; }

const std::vector<std::string> data_files = {
    "typ.bmp", "punkt.bmp", "bombe.bmp", "monster.bmp", "tod.bmp", "win.bmp", "monstertod.bmp", "delusion.ttf",
};

// The Windows build runs from its zip's files.
void copy_data(const std::string& dir, std::initializer_list<std::string> leave_out)
{
    const fs::path from = windows_build ? fs::path(windows_build) / "pellmor-windows" : fs::path(PELLMOR_DATA_DIR);
    for (const std::string& file : data_files)
        if (std::find(leave_out.begin(), leave_out.end(), file) == leave_out.end())
            fs::copy_file(from / file, fs::path(dir) / file);
}

std::string message_for(const std::string& file)
{
    return file == "delusion.ttf" ? "Can't load font delusion.ttf. " : "Can't load typ of " + file + ". ";
}

std::string joined(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
    return text;
}

std::string game_run::said(const std::string& words) const
{
    std::vector<std::string> rest;
    for (const std::string& line : log)
        if (line.rfind(words + " ", 0) == 0) rest.push_back(line.substr(words.size() + 1));
    return joined(rest);
}

surface_ptr game_run::snapshot(const std::string& name) const
{
    return surface_ptr(SDL_LoadBMP((snap_dir + "/" + name + ".bmp").c_str()));
}

std::string without_crs(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

namespace {

game_run run_once(const std::string& dir, const std::string& keys, const run_options& o)
{
    temp_dir scratch;
    const std::string log = scratch.path + "/log";
    const char* wrapper = std::getenv("PELLMOR_WRAPPER");
    std::vector<std::string> command = wrapper ? split(wrapper, ' ') : std::vector<std::string>{},
        env = {"SDL_VIDEODRIVER=" + o.video_driver, "SDL_AUDIODRIVER=dummy", "PELLMOR_KEYS=" + keys, "PELLMOR_LOG=" + log};
    if (!o.snap_dir.empty()) env.push_back("PELLMOR_SNAP=" + o.snap_dir);
    const bool drop_root = o.unprivileged && geteuid() == 0 && !windows_build;
    std::string binary = o.binary.empty() ? PELLMOR_BINARY : o.binary, keyscript = KEYSCRIPT_LIBRARY;
    if (drop_root) {
        // nobody must reach the game's folder, write the log and run the programs, which may lie in a folder that
        // only root can enter.
        fs::permissions(dir, fs::perms::all);
        fs::permissions(scratch.path, fs::perms::all);
        fs::copy_file(binary, scratch.path + "/pellmor");
        fs::copy_file(keyscript, scratch.path + "/keyscript.so");
        binary = scratch.path + "/pellmor", keyscript = scratch.path + "/keyscript.so";
    }
    // The sanitizer's runtime, if any, must be loaded before the key script; a wrapper passes the preload on.
    if (windows_build) {
        const std::string scripted = windows_build + std::string("/tests/pellmor_scripted.exe");
        command.insert(command.end(), {"wine", o.binary.empty() ? scripted : o.binary});
        env.insert(env.end(), {"WINEPREFIX=" + std::string(windows_build) + "/wine-prefix", "WINEDEBUG=-all"});
    } else {
        command.push_back(binary);
        env.push_back("LD_PRELOAD=" PRELOAD_FIRST + keyscript);
    }
    game_run run;
    const steady::time_point start = steady::now();
    const pid_t game = spawn(command, dir, env, scratch.path + "/out", scratch.path + "/err", {}, drop_root);
    if ((run.status = wait_for(game, o.time_limit_ms)) < 0)  // a game that hangs is killed
        stop(game), run.status = killed_by(SIGKILL);
    run.ms = ms_since(start);
    run.out = without_crs(read_bytes(scratch.path + "/out"));
    run.err = read_bytes(scratch.path + "/err");
    std::istringstream lines(fs::exists(log) ? without_crs(read_bytes(log)) : "");
    for (std::string line; std::getline(lines, line);) run.log.push_back(line);
    run.snap_dir = o.snap_dir;
    return run;
}

}  // namespace

// Under Wine, now and then a run ends with status 1 having printed nothing; the same run again prints what it should
// (seen once or twice in thousands of runs, and once in a CI run). Such a run is run once more: a game that really
// ends so does it twice.
game_run run_pellmor(const std::string& dir, const std::string& keys, const run_options& o)
{
    const game_run run = run_once(dir, keys, o);
    return windows_build && run.status == 1 && run.out.empty() ? run_once(dir, keys, o) : run;
}

game_run play(const std::string& keys, const run_options& options)
{
    temp_dir dir;
    copy_data(dir.path);
    return run_pellmor(dir.path, keys, options);
}
