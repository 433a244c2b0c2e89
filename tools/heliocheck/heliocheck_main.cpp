// heliocheck [--masks DIR] FILE.ACC... (see Heliocheck.cpp's usage text).
#include <cstdio>
#include <ctime>

#include "heliocheck/Heliocheck.h"
#include "heliocheck/ProgramFolder.h"

using namespace heliotab;

int main(int argc, char** argv) {
    const std::time_t t = std::time(nullptr);
    // One thread: the plain localtime, which MinGW has (it lacks localtime_r).
    const std::tm tm = *std::localtime(&t);
    LocalTime now;
    now.year = tm.tm_year + 1900;
    now.month = tm.tm_mon + 1;
    now.day = tm.tm_mday;
    now.hour = tm.tm_hour;
    now.minute = tm.tm_min;
    now.second = tm.tm_sec;
    std::string out, err;
    const int code = heliocheck::Run(std::vector<std::string>(argv + 1, argv + argc),
                                     heliocheck::ProgramFolder(), now, out, err);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return code;
}
