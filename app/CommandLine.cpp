#include "app/CommandLine.h"

StartMode ClassifyCommandLine(const std::wstring& line) {
    const std::wstring head = line.substr(0, 2);
    const std::wstring tail = line.size() < 2 ? line : line.substr(line.size() - 2);
    if (head == L"-d") return StartMode::HandOver;
    if (tail == L"-u") return StartMode::UninstallStageOne;
    if (head == L"-u") return StartMode::UninstallStageTwo;
    return StartMode::Normal;
}

std::wstring PathAfterSwitch(const std::wstring& line) {
    return line.size() > 3 ? line.substr(3) : std::wstring();
}
