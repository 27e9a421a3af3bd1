// A mode for scripted runs (tests, the screenshot script), turned on by the environment
// variable QUILLORY_ECHO_MESSAGES: every message box and question is written to standard
// output ("message: <text>", "question: <text>") instead of being shown, and answered
// with its default (OK, No), and each top-level window that appears is written as
// "show <class>". The program's behaviour is otherwise unchanged.
#pragma once

#include <QString>

class QApplication;

namespace quillory {

bool EchoMode();
void Echo(const QString& line);
// Writes "show <class>" for every top-level window shown from now on.
void InstallWindowEcho(QApplication& application);

}  // namespace quillory
