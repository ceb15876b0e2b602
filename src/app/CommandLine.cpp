#include "app/CommandLine.h"

QString CommandLine::StripQuotes(const QString& commandLine)
{
    qsizetype begin = 0;
    qsizetype end = commandLine.size();
    while (begin < end && commandLine.at(begin) == u'"')
        ++begin;
    while (end > begin && commandLine.at(end - 1) == u'"')
        --end;
    return commandLine.mid(begin, end - begin);
}

QString CommandLine::PathFromArguments(const QStringList& arguments)
{
    return StripQuotes(arguments.mid(1).join(u' '));
}
