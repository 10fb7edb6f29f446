#pragma once

// The lines a wipe run posts, in the words it posts them.

#include <string>

namespace RunLine
{

const std::string kStarted = "KoWipe::StartWipe: Wipe process started";
const std::string kRunCancel = "KoWipe::StartWipe: Wipe process canceled by user";
const std::string kFileCancel = "KoWipeFile::CreateFile: Wipe process canceled by user";
const std::string kNoFreeSpace = "KoWipe::StartWipe::GetDiskFreeSpaceEx: No free space avail";
const std::string kCantWrite = "KoWipeFile::Write: Can't write to file";
const std::string kWiped = "KoWipe::StartWipe: Wiped space: ";

// The last line of every run, with FormatBytes's text of the amount.
inline std::string Wiped(const std::string& amount)
{
    return kWiped + amount;
}

// A wipe file that could not be made.
inline std::string CreateFailed(const std::string& path)
{
    return "KoWipe::StartWipe::CreateFile: '" + path + "'  Failed";
}

} // namespace RunLine
