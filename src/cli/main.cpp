#include "cli/Cli.h"

#include <iostream>

int main(int argc, char** argv)
{
    const int status = qv::cli::runCommandLine(argc, argv, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 1;
}
