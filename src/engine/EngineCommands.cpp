#include "EngineCommands.h"

#include <array>

namespace {

struct TEditCommand
{
    int CmdID;
    const char* Name;
};

constexpr std::array<TEditCommand, 20> EditCommands = {{
    {15, "copy"},           {16, "cut"},
    {18, "fontName"},       {19, "fontSize"},
    {26, "paste"},          {51, "backColor"},
    {52, "bold"},           {55, "foreColor"},
    {56, "italic"},         {57, "justifyCenter"},
    {59, "justifyLeft"},    {60, "justifyRight"},
    {63, "underline"},      {2124, "createLink"},
    {2125, "unlink"},       {2184, "insertOrderedList"},
    {2185, "insertUnorderedList"}, {2186, "indent"},
    {2187, "outdent"},      {2234, "formatBlock"},
}};

struct TBlockFormat
{
    const char* Name;
    const char* Tag;
};

constexpr std::array<TBlockFormat, 11> BlockFormats = {{
    {"Normal", "p"},
    {"Formatted", "pre"},
    {"Address", "address"},
    {"Heading 1", "h1"},
    {"Heading 2", "h2"},
    {"Heading 3", "h3"},
    {"Heading 4", "h4"},
    {"Heading 5", "h5"},
    {"Heading 6", "h6"},
    {"Division", "div"},
    {"Block Quote", "blockquote"},
}};

} // namespace

QString EditCommandName(int CmdID)
{
    for (const auto& command : EditCommands)
        if (command.CmdID == CmdID)
            return QLatin1String(command.Name);
    return {};
}

QStringList BlockFormatNames()
{
    QStringList names;
    for (const auto& format : BlockFormats)
        names << QLatin1String(format.Name);
    return names;
}

QString BlockFormatTag(const QString& Name)
{
    for (const auto& format : BlockFormats)
        if (Name.compare(QLatin1String(format.Name), Qt::CaseInsensitive) == 0)
            return QLatin1String(format.Tag);
    return {};
}

QString BlockFormatName(const QString& Tag)
{
    for (const auto& format : BlockFormats)
        if (Tag.compare(QLatin1String(format.Tag), Qt::CaseInsensitive) == 0)
            return QLatin1String(format.Name);
    return {};
}
