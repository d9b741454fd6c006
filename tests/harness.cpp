#include "harness.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

const uid_t nobody = 65534;

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads both pipes to their end, so that neither can fill up and stall the game.
void drain(int out_fd, int err_fd, std::string& out, std::string& err)
{
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open_fds = 2;
    char buffer[65536];
    while (open_fds > 0) {
        if (poll(fds, 2, -1) < 0)
            throw std::runtime_error("poll failed");
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_fds;
            }
        }
    }
}

}  // namespace

const std::vector<std::string> data_files = {
    "typ.bmp", "punkt.bmp", "bombe.bmp", "monster.bmp", "tod.bmp", "win.bmp", "monstertod.bmp", "delusion.ttf",
};

temp_dir::temp_dir()
{
    std::string pattern = (fs::temp_directory_path() / "pellmor-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

temp_dir::~temp_dir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void copy_data(const std::string& dir, std::initializer_list<std::string> leave_out)
{
    for (const std::string& file : data_files)
        if (std::find(leave_out.begin(), leave_out.end(), file) == leave_out.end())
            fs::copy_file(fs::path(PELLMOR_DATA_DIR) / file, fs::path(dir) / file);
}

std::vector<std::string> game_run::logged(const std::string& prefix) const
{
    std::vector<std::string> lines;
    for (const std::string& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    return lines;
}

long game_run::peak_kb() const
{
    const std::vector<std::string> peak = logged("peak ");
    return peak.size() == 1 ? std::stol(peak[0].substr(5)) : -1;
}

surface_ptr game_run::snapshot(const std::string& name) const
{
    return surface_ptr(SDL_LoadBMP((snap_dir + "/" + name + ".bmp").c_str()));
}

game_run run_pellmor(const std::string& dir, const std::string& keys, const std::string& snap_dir,
                     bool unprivileged, unsigned time_limit, const char* video_driver)
{
    temp_dir scratch;
    const std::string log_path = scratch.path + "/log";
    const bool drop_root = unprivileged && geteuid() == 0;
    std::string binary = PELLMOR_BINARY, keyscript = KEYSCRIPT_LIBRARY;
    if (drop_root) {
        // nobody must reach the game's folder, write the log and run the
        // programs, which may lie in a folder that only root can enter.
        fs::permissions(dir, fs::perms::all);
        fs::permissions(scratch.path, fs::perms::all);
        binary = scratch.path + "/pellmor";
        keyscript = scratch.path + "/keyscript.so";
        fs::copy_file(PELLMOR_BINARY, binary);
        fs::copy_file(KEYSCRIPT_LIBRARY, keyscript);
    }
#ifdef PELLMOR_SANITIZED
    const std::string preload = SANITIZER_RUNTIME " " + keyscript;
#else
    const std::string preload = keyscript;
#endif
    int out_pipe[2], err_pipe[2];
    if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
        throw std::runtime_error("pipe failed");

    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        dup2(out_pipe[1], STDOUT_FILENO);
        dup2(err_pipe[1], STDERR_FILENO);
        close(out_pipe[0]);
        close(out_pipe[1]);
        close(err_pipe[0]);
        close(err_pipe[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(98);
        setenv("SDL_VIDEODRIVER", video_driver, 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("PELLMOR_KEYS", keys.c_str(), 1);
        setenv("PELLMOR_LOG", log_path.c_str(), 1);
        if (!snap_dir.empty())
            setenv("PELLMOR_SNAP", snap_dir.c_str(), 1);
        if (drop_root && (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(96);
        alarm(time_limit);  // survives exec: a game that hangs is killed
        execl(binary.c_str(), "pellmor", static_cast<char*>(nullptr));
        _exit(97);
    }
    close(out_pipe[1]);
    close(err_pipe[1]);

    game_run run;
    drain(out_pipe[0], err_pipe[0], run.out, run.err);
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);

    std::istringstream log(read_file(log_path));
    for (std::string line; std::getline(log, line);)
        run.log.push_back(line);
    run.snap_dir = snap_dir;
    return run;
}
