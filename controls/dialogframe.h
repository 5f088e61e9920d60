// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDialog;

// What the program's dialogs share: a title bar with only a close button, no
// quitting the program when they close, and the designs' 11-pixel dialog face.
void applyDialogFrame(QDialog &dialog);
