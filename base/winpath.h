// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The two fixed places the program knows by their Windows names.
inline constexpr char16_t kLessonFileWindowsPath[] = u"E:\\daro\\Daruradazi.mdb";
inline constexpr char16_t kRecordingWindowsPath[] = u"c:\\windows\\Temp.wav";

// Maps one of the program's Windows paths to its place on this system.
// Files in the folder E:\daro are data the program only reads; they are looked
// up the freedesktop way, so that a learner can bring an own lesson file: the
// per-user data directory (~/.local/share/daro/), then each system data
// directory (<dir>/daro/ for the dirs of $XDG_DATA_DIRS), and otherwise
// ../share/daro/ beside the executable (the build tree and an installed prefix
// both have that shape), whether the file is there or not. Files in c:\windows
// are the ones the program writes, in the per-user data directory. Drive
// letters and the folder names compare without case, as they do on Windows.
// Any other path has no place here and maps to an empty string.
QString localPath(const QString &windowsPath);

// The folder of the running program, also before the application object
// exists (the lesson file is looked up that early).
QString programDir();

// ../share/daro beside the executable, where localPath() takes files under
// E:\daro\ from when no data directory has them.
QString lessonDataDir();
