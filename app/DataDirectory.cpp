#include "app/DataDirectory.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The data folder counts when it holds the default mesh: a "data" folder of
// the user's own, in a home directory say, is not the viewer's.
bool HoldsData(const std::string& directory) {
    struct stat info;
    return stat((directory + "/data/solid.x").c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string Parent(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string FindDataHome(const std::string& workingDirectory, const std::string& executable) {
    if (HoldsData(workingDirectory.empty() ? "." : workingDirectory))
        return "";
    if (executable.empty())
        return "";
    std::string installed = Parent(Parent(executable)) + "/share/zelqad";
    return HoldsData(installed) ? installed : "";
}

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return "";
        if (std::size_t(length) < buffer.size())
            return std::string(buffer.data(), std::size_t(length));
        buffer.resize(buffer.size() * 2);
    }
}
