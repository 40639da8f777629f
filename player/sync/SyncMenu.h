#pragma once
// The Options menu's "Sync with Corvane": opens the track that the sibling product names in its
// exchange file.

#include "platform/Platform.h"

#include <QString>

#include <functional>

// Hands the named track to openTrack (the window's open-track operation), or, when the exchange
// file names none, tells the user that the sibling product is needed and changes nothing.
void mnuOptionsSync_Click(Platform& platform, const std::function<void(QString& path)>& openTrack);
