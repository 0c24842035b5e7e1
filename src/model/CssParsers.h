#pragma once
// Splits the text of a CSS declaration list (a style attribute's value) into property names and values.
#include "WStrList.h"
#include <QString>
#include <QStringList>

class TCssParser
{
public:
    TCssParser() = default;
    TCssParser(const TCssParser&) = delete;
    TCssParser& operator=(const TCssParser&) = delete;

    // Clears both lists, then appends one name and one value per declaration found. A value that is
    // one quoted string loses its quotation marks.
    void Parse(const QString& Text);
    // The value of the first entry whose name equals Name (ASCII letters without case); "" when none.
    QString GetValue(const QString& Name) const;

    // Parallel lists in the order found: entry i of Names belongs to entry i of Values. Duplicate
    // names are kept, each with its own value.
    QStringList Names;
    TWideStringList Values;
};
