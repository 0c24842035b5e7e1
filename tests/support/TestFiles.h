#pragma once
// Whole files for the tests that write a file and read back what the program made of it.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadWholeFile(const QString& Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes Bytes as the file, making its folder first; a test failure when it cannot be written.
inline void WriteWholeFile(const QString& Path, const QByteArray& Bytes)
{
    QDir().mkpath(QFileInfo(Path).absolutePath());
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << Path.toStdString();
    EXPECT_EQ(file.write(Bytes), Bytes.size());
}
