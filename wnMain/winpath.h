// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The two fixed places the program knows by their Windows names.
inline constexpr char16_t kLessonFileWindowsPath[] = u"E:\\daro\\Daruradazi.mdb";
inline constexpr char16_t kRecordingWindowsPath[] = u"c:\\windows\\Temp.wav";

// Maps one of the program's Windows paths to its place on this system: files
// in the folder E:\daro live in ../share/daro/ beside the executable (the build
// tree and an installed prefix both have that shape), files in c:\windows in
// the per-user application data directory. Drive letters and the folder
// names compare without case, as they do on Windows. Any other path has no
// place here and maps to an empty string.
QString localPath(const QString &windowsPath);

// The directory that localPath() gives for files under E:\daro\.
QString lessonDataDir();
