// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Hooks for the user-facing services model code needs: message boxes and the
// like. The windowed program installs Qt implementations; the batch renderer
// and tests install their own.

#include <functional>
#include <string>

// Shows a message to the user (a message box in the windowed program).
void ShowMessage(const std::string& text);

// Replaces the handler of ShowMessage; returns the previous one. The default
// handler writes the text to standard error.
using TMessageHandler = std::function<void(const std::string&)>;
TMessageHandler SetMessageHandler(TMessageHandler handler);
