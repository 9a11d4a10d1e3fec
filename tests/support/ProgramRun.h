// One run of the program built beside the test (build/bin/phonaraplayer), as
// on a server: no display, no sound card, output not on a terminal.
#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
    int status = -1; // the exit status; -1 for an end by signal or no end
    std::string out, err;
};

struct ProgramSetup {
    // Set (or, with an empty value, removed) in the program's environment.
    std::map<QString, QString> env = {};
    // Runs in the child between fork and exec (dropping privileges, limits).
    std::function<void()> inChild = nullptr;
    int timeoutMs = 120000;
};

inline QString ProgramPath() {
    return QCoreApplication::applicationDirPath() + "/phonaraplayer";
}

inline ProgramRun RunPhonara(const std::vector<std::string>& args, const ProgramSetup& setup = {}) {
    QProcess child;
    if (setup.inChild)
        child.setChildProcessModifier(setup.inChild);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("ALSOFT_DRIVERS", "no-such-driver");
    for (const auto& [name, value] : setup.env) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    child.setProcessEnvironment(env);
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    child.start(ProgramPath(), list);
    child.waitForFinished(setup.timeoutMs);
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            child.readAllStandardOutput().toStdString(),
            child.readAllStandardError().toStdString()};
}

} // namespace testsupport
