#pragma once
// Paths of fixtures under tests/data: CORVALITE_TEST_DATA when set, else the source folder the build knows.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdlib>

inline QString TestDataPath(const QString& relative)
{
    const char* root = std::getenv("CORVALITE_TEST_DATA");
#ifdef CORVALITE_TEST_DATA_DIR
    const char* fallback = CORVALITE_TEST_DATA_DIR;
#else
    const char* fallback = "tests/data";
#endif
    return QString::fromLocal8Bit(root && *root ? root : fallback) + QLatin1Char('/') + relative;
}

inline QByteArray ReadTestData(const QString& relative)
{
    QFile f(TestDataPath(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
