#pragma once
// displayPath: a path text as this system writes paths, for what the windows
// show and the settings keep. Paths are built with "\" and typed with either
// separator; both work as they are, but a user reads them in the platform's
// own form.

#include <QString>

namespace tw {

// Every "\" or "/" becomes the platform's separator ("/" here, "\" on Windows).
QString displayPath(const QString &path);

} // namespace tw
