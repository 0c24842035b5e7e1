#pragma once
// The engine's editing commands by number, as the design view sends them, and what stands for each in the
// page: the runtime's editing command name and, for the block formats, their names and tags.
#include <QString>
#include <QStringList>

// The runtime command for an engine command number; empty when the page has no such command.
QString EditCommandName(int CmdID);

// Block formats offered by the engine, in its order, and the element each one makes.
QStringList BlockFormatNames();
QString BlockFormatTag(const QString& Name);
QString BlockFormatName(const QString& Tag);
