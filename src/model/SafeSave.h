#pragma once
// Replacing a file's content safely: the new content goes to a temporary file beside it and takes the
// file's place only when every byte was written, so a full disk, a size limit or a vanished folder
// leaves the old file as it was.
#include <QByteArray>
#include <QString>

class QFile;

// True when FileName now holds exactly Bytes. False with the system's reason ("No space left on
// device", "File too large", ...) when it could not be written; the old file is then untouched.
bool SaveBytesToFile(const QString& FileName, const QByteArray& Bytes, QString& Reason);

// Opens File for reading. False with the system's reason ("No such file or directory", "Is a directory",
// "Permission denied", ...) when it is no file or will not open: asked before any open, the file itself
// would only say "Unknown error".
bool OpenFileForReading(QFile& File, QString& Reason);

// A file size limit (ulimit -f) raises SIGXFSZ on the write that passes it, and that signal ends the
// process by default, taking unsaved edits with it. Ignored, the write fails with "File too large"
// like any other refused write. The program calls this once at start-up.
void IgnoreFileSizeLimitSignal();
