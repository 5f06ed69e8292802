#pragma once

#include "platform/Drives.h"
#include "platform/Locale.h"

#include <string>

namespace dustrel {

struct ProgramState;

// At most this many drives are offered, ten to a column.
constexpr int kMaxDrives = 20;

// A size in units of 1,048,576 bytes as "512.3 MB", or in GB once it passes 1000 MB.
std::string SizeText(float megabytes, const NumberFormat& format);

// "C: - 1.9 GB (512.3 MB Free)"; the sizes are replaced by a note when the drive cannot be measured.
std::string DriveDescription(char letter, const std::optional<DiskSpace>& space, const NumberFormat& format);

// Finds the fixed and network drives, in letter order, and offers one check box for each.
void GetHardDrives(ProgramState& state, Drives& drives, Locale& locale);

} // namespace dustrel
