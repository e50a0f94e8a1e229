// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures that carry their spot: a PNG or JPEG the program writes holds the
// text of the spot file of its view, so that opening the picture restores
// the spot. A PNG keeps it as one text chunk under kPictureSpotKey; a JPEG in
// comment (COM) segments, each starting "Pelmorix spot k/n" and a line feed,
// that joined in order give the text (one segment holds at most 65533
// bytes).

#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

inline constexpr const char* kPictureSpotKey = "Pelmorix spot";

// The data of the comment segments that carry `text`.
std::vector<std::string> SpotCommentSegments(std::string_view text);

// The spot at `path`. A PNG or JPEG (known by its first bytes) gives the
// spot text it holds as a profile in memory; a picture that holds none, or
// cannot be read, gives an unreadable profile saying why, so that loading it
// changes nothing. A file named as a picture (".png", ".jpg", ".jpeg") must
// be one. Any other file is read as a spot file.
TProfileFile OpenSpotFile(const std::string& path);
