#include "tools/CommandLine.h"

std::FILE* CommandLine::logStream = stdout;

CommandLine::CommandLine(const QString& program, const QString& version, const QString& description,
                         const QString& epilog)
    : program(program)
    , version(version)
    , epilog(epilog)
{
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption({"h", "help"}, "Print this text and exit."));
    parser.addOption(QCommandLineOption("version", "Print the version and exit."));
}

bool CommandLine::parse(const QStringList& arguments, int& status)
{
    if (!parser.parse(arguments)) {
        status = usageError(parser.errorText() + QString(" (see %1 --help)").arg(program));
        return false;
    }
    if (parser.isSet("help")) {
        // The usage line names the program, not the path it was started by.
        QString help = parser.helpText();
        const QString started = arguments.value(0);
        if (!started.isEmpty() && help.startsWith("Usage: " + started + ' '))
            help.replace(7, started.size(), program);
        print(help + epilog);
        status = 0;
        return false;
    }
    if (parser.isSet("version")) {
        print(QString("%1 %2\n").arg(program, version));
        status = 0;
        return false;
    }
    return true;
}

int CommandLine::usageError(const QString& text) const
{
    printError(QString("%1: %2\n").arg(program, text));
    return usageStatus;
}

void CommandLine::print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), logStream);
    std::fflush(logStream);
}

void CommandLine::printError(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool CommandLine::boxOption(BoundingBox& box, bool& given) const
{
    given = parser.isSet("bbox");
    if (!given)
        return true;
    QString problem;
    const QString text = parser.value("bbox");
    if (!BoundingBox::fromText(text, box, &problem)) {
        usageError(QString("bad --bbox \"%1\": %2").arg(text, problem));
        return false;
    }
    return true;
}
