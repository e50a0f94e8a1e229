// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Marks a text of Qt-free code for the translation catalogue: lupdate finds
// QT_TRANSLATE_NOOP by name and files the text under the context; the text
// itself is unchanged. The window side translates it where the user sees it:
// message boxes under "Message", file dialogs' titles and type lists under
// "FileDialog". Spelled exactly as Qt's own, so that either may come first.

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
