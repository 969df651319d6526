#pragma once

#include <QByteArray>
#include <QString>

namespace korvi {

// The entity tag a server sent for a stored copy, kept with the file itself
// (an extended attribute "user.korvi.etag") so that neither the copy's bytes
// nor the store's folders change. Where the file system keeps no extended
// attributes nothing is stored and reading gives "".
QByteArray ReadStoredEtag(const QString& path);
// Stores the tag; an empty tag removes a stored one. False when not stored.
bool WriteStoredEtag(const QString& path, const QByteArray& etag);

}  // namespace korvi
