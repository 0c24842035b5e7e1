#pragma once
// What the readers of the read-only container files (icon packs, templates) share: opening the file,
// checking its magic, and writing one stored file out so that it appears only when whole.
#include <QString>

class QByteArray;
class QFile;
class TTypedStreamAdapter;

// Opens File for reading; raises 'Cannot open file "<name>". <reason>' when it is no file or will not open.
void OpenContainer(QFile& File);
// Reads the container's magic: true when it is Magic, false when it is not or the stream breaks off first.
bool ReadContainerMagic(TTypedStreamAdapter& Reader, const QByteArray& Magic);
// Writes the next block of the container to Target, replacing a file of that name only once the block is
// written whole. False, writing nothing, when the block breaks off (damage the caller names); raises
// 'Cannot create file "<Target>". <reason>' when the file cannot be made or the disk refuses a write.
bool ExtractContainerBlock(TTypedStreamAdapter& Reader, const QString& Target);
