#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The options and arguments of one command, with its own --help: the first
// argument names the command, everything after it is the command's own.
class CommandLine
{
public:
    CommandLine(const QString &command, const QString &description);

    void positional(const QString &name, const QString &description);
    void option(const QCommandLineOption &option) { m_parser.addOption(option); }
    // The gateway a command works on, by its IP address.
    void gatewayPositional();
    // --range, for the commands that search.
    void rangeOption();
    // --password-file, for the commands that may meet a gateway with a password.
    void passwordOption();

    // Parses the command's arguments (arguments[0] is the command's name).
    // False when the command is over already: --help was printed (status 0), or
    // what is wrong with the arguments (status 2), in `exitStatus`.
    bool parse(const QStringList &arguments, int minPositional, int maxPositional, int &exitStatus);

    bool isSet(const QString &name) const { return m_parser.isSet(name); }
    QString value(const QString &name) const { return m_parser.value(name); }
    QStringList values(const QString &name) const { return m_parser.values(name); }
    QStringList positionals() const { return m_parser.positionalArguments(); }

private:
    QString m_command;
    QCommandLineParser m_parser;
};
