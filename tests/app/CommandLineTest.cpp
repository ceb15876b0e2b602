#include "app/CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CommandLineTest, OneQuotedPathWithSpacesKeepsItsSpaces)
{
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"/home/a user/My File.xml\"")),
              QStringLiteral("/home/a user/My File.xml"));
    // Only quotes go; white space around them stays.
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"\" a.xml \"")), QStringLiteral(" a.xml "));
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"\"\"")), QString());
}

TEST(CommandLineTest, TwoQuotedPathsStayOnePath)
{
    EXPECT_EQ(CommandLine::StripQuotes(QStringLiteral("\"/a b.xml\" \"/c.xml\"")),
              QStringLiteral("/a b.xml\" \"/c.xml"));
    // The shell has split the arguments already; they are joined back into one path.
    EXPECT_EQ(CommandLine::PathFromArguments(
                  {QStringLiteral("tovi"), QStringLiteral("/a b.xml"), QStringLiteral("/c.xml")}),
              QStringLiteral("/a b.xml /c.xml"));
    EXPECT_EQ(CommandLine::PathFromArguments({QStringLiteral("tovi")}), QString());
}

TEST(CommandLineTest, BatchOptionsAreRecognisedAndCheckedStrictly)
{
    using Mode = CommandLine::Batch::Mode;
    const auto parse = [](std::initializer_list<const char*> words) {
        QStringList arguments{QStringLiteral("tovi")};
        for (const char* word : words)
            arguments << QString::fromUtf8(word);
        return CommandLine::ParseBatch(arguments);
    };
    EXPECT_EQ(parse({"a.xml"}).mode, Mode::None);
    EXPECT_EQ(parse({}).mode, Mode::None);
    EXPECT_EQ(parse({"--help"}).mode, Mode::Help);
    const CommandLine::Batch validate = parse({"--validate", "s.xsd", "a.xml", "b.xml"});
    EXPECT_EQ(validate.mode, Mode::Validate);
    EXPECT_EQ(validate.files, (QStringList{QStringLiteral("a.xml"), QStringLiteral("b.xml")}));
    const CommandLine::Batch transform = parse({"--transform", "t.xsl", "--output", "o", "a.xml"});
    EXPECT_EQ(transform.mode, Mode::Transform);
    EXPECT_EQ(transform.tool, QStringLiteral("t.xsl"));
    EXPECT_EQ(transform.output, QStringLiteral("o"));
    for (const auto& bad : {parse({"--validate", "s.xsd"}), parse({"--transform", "t.xsl", "a"}),
                            parse({"--transform", "t", "a", "b", "--output", "o"}),
                            parse({"--frobnicate"}), parse({"--help", "x"})})
        EXPECT_EQ(bad.mode, Mode::Bad);
}

// The real program: no window (there is no display here), errors as file:line: message.
TEST(CommandLineTest, BatchRunsPrintErrorsAndExitWithTheirCodes)
{
    QTemporaryDir dir;
    const auto make = [&dir](const char* name, const QByteArray& content) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    };
    const QString schema = make("s.xsd", "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                                         "<xs:element name=\"r\"><xs:complexType><xs:attribute "
                                         "name=\"n\" type=\"xs:int\"/></xs:complexType>"
                                         "</xs:element></xs:schema>");
    const QString good = make("good.xml", "<r n=\"1\"/>");
    const QString bad = make("bad.xml", "<?xml version=\"1.0\"?>\n\n<r\n n=\"x\"/>\n");
    const QString sheet = make("t.xsl", "<xsl:stylesheet version=\"1.0\" "
                                        "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                                        "<xsl:output method=\"text\"/><xsl:template match=\"/\">"
                                        "n=<xsl:value-of select=\"/r/@n\"/></xsl:template>"
                                        "</xsl:stylesheet>");
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const auto run = [](const QStringList& arguments, QByteArray* errors = nullptr) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.start(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tovi-xmleditor")),
            arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitCode();
    };
    QByteArray errors;
    EXPECT_EQ(run({QStringLiteral("--validate"), schema, good}), 0);
    EXPECT_EQ(run({QStringLiteral("--validate"), schema, good, bad}, &errors), 1);
    // The line is that of the element in the file (where its start tag ends, as xmllint says),
    // not in the editor's serialised text.
    EXPECT_TRUE(errors.startsWith(QFile::encodeName(bad) + ":4: Element 'r', attribute 'n'"))
        << errors.constData();
    EXPECT_EQ(run({QStringLiteral("--validate"), dir.filePath(QStringLiteral("none.xsd")), good},
                  &errors),
              1);
    EXPECT_TRUE(errors.contains("Can't load schema.")) << errors.constData();
    EXPECT_EQ(run({QStringLiteral("--transform"), sheet, good, QStringLiteral("--output"), out}),
              0);
    QFile result(out);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), "n=1");
    EXPECT_EQ(run({QStringLiteral("--transform"), sheet}, &errors), 2);
    EXPECT_TRUE(errors.contains("--help")) << errors.constData();
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
}
