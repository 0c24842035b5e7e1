#pragma once
// Paths of fixtures under tests/data; the test runner passes the folder in CORVALITE_TEST_DATA.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdlib>

inline QString TestDataPath(const QString& relative)
{
    const char* root = std::getenv("CORVALITE_TEST_DATA");
    return QString::fromLocal8Bit(root ? root : "tests/data") + QLatin1Char('/') + relative;
}

inline QByteArray ReadTestData(const QString& relative)
{
    QFile f(TestDataPath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
