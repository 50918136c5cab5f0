#include <unistd.h>

#include <iostream>

#include "pictavo/catalogue/catalogue_command.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    return pictavo::RunCatalogueCommand(argc, argv, std::cout, std::cerr,
                                        ::isatty(STDERR_FILENO) == 1);
}
