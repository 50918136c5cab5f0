#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cairnly/pages/report/report.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return cairnly::report::RunReport(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
