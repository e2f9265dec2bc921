#pragma once

#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <utility>

// A temporary folder with an output directory "out" inside it.
struct Workspace
{
    Workspace() { QDir(dir.path()).mkdir(QStringLiteral("out")); }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString out() const { return dir.filePath(QStringLiteral("out")); }
    QString outFile(const QString& name) const { return out() + QLatin1Char('/') + name; }
    QStringList outFiles() const { return testfiles::filesIn(out()); }

    // `name` relative to the folder, or an absolute path.
    QString file(const QString& name, const QByteArray& bytes) const
    {
        const QString filePath = QDir::isAbsolutePath(name) ? name : path(name);
        testfiles::write(filePath, bytes);
        return filePath;
    }

    // Files written into the folder "in", their paths in the order given.
    QStringList inputs(const QList<std::pair<QString, QByteArray>>& files) const
    {
        QDir(dir.path()).mkdir(QStringLiteral("in"));
        QStringList paths;
        for (const auto& [name, bytes] : files)
            paths << file(QStringLiteral("in/") + name, bytes);
        return paths;
    }

    QTemporaryDir dir;
};
