#pragma once
// Whether /etc/hosts names this machine. The program looks up its own host
// name at start-up; tests that make it do so run only where the hosts file
// answers, so that no query ever leaves the machine.

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace vantrel::testsupport {

inline bool HostNameInHostsFile() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        return false;
    }
    std::ifstream hosts("/etc/hosts");
    std::string line;
    while (std::getline(hosts, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        std::string address;
        std::string name;
        fields >> address;
        while (fields >> name) {
            if (name == host && address.find('.') != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace vantrel::testsupport
