#pragma once
// The main window's message table.
#include "MessageTable.h"

// The main window's 23 messages.
TStringHolder MainWindowMessages();
