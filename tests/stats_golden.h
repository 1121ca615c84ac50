// Stats lines both programs printed before their figures became records,
// each under the arguments that made it (or "live": the first run of
// test_run.cpp): the line must stay byte for byte what scripts read.
#pragma once

#include <fstream>
#include <string>
#include <utility>
#include <vector>

inline std::vector<std::pair<std::string, std::string>> GoldenStatsLines() {
    std::ifstream in(std::string(TEMPOLA_SOURCE_DIR) + "/tests/data/stats/lines.txt");
    std::vector<std::pair<std::string, std::string>> lines;
    std::string args, line;
    while (std::getline(in, args) && std::getline(in, line))
        lines.emplace_back(args, line);
    return lines;
}
