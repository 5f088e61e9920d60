// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

class ErrorBox;

// The application object: errors that escape event delivery go to the error
// box and the program carries on with the next event.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    // The error box must outlive the application object.
    TApplication(int &argc, char **argv, ErrorBox &errors);
    bool notify(QObject *receiver, QEvent *event) override;

private:
    ErrorBox &m_errors;
};
