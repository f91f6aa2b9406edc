#include "pkunzip/CommandLine.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = qv::pkunzip::runCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : qv::pkunzip::kExitFailed;
}
