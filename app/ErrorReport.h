#pragma once
// The application's default error report: what no handler catches is shown in a message box
// with the program's title and the stop icon, and the program goes on. Interface thread only.
#include <QString>
#include <stdexcept>

// Thrown to end a handler silently: the report shows nothing for it.
class TSilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// What failed and why: an engine error as "Kind: message.", any other as its text.
QString ErrorText(const std::exception& error);
// The report's text: the error's text with a "." added when its last character sorts after ".".
QString ErrorReportText(const QString& errorText);
// Shows the report for an error's text.
void ShowErrorReport(const QString& errorText);
