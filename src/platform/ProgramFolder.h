// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>
#include <optional>

namespace hanashi {

// A file name for people: its UTF-8 as text, every byte that is not part of
// valid UTF-8, and every control byte, as \xHH.
QString shownFileName(QByteArrayView bytes);

// A game's folder (the one that holds dat/ and the help page), held open for
// as long as this object lives and named by the bytes the system gave.
//
// A folder name is bytes, and need not be UTF-8: an archive unpacked from
// Windows keeps its Shift-JIS names, an old disk its Latin-1 ones, and a path
// may be longer than the system takes in one call. Qt's file names are text,
// decoded as UTF-8, so such a name would come back from a round trip as some
// other, missing folder. So path() is the name itself only where it survives
// that trip and is short enough to take a file name after it; otherwise it is
// the folder's descriptor link /proc/self/fd/N, which opens the very folder
// whatever its name. Messages (RuntimeError) and help links (fileUrl) turn
// that link back into the folder's own name.
class ProgramFolder {
public:
    enum class Naming {
        AsGiven, // named as the caller spelled it (the checker's argument)
        Real,    // named by its absolute path, links resolved, as the system gives it
    };

    // Opens the folder the bytes name, relative to the working folder or
    // absolute, following links, one step at a time where the name is longer
    // than the system takes at once. Null, and error set to errno, when that
    // fails.
    static std::optional<ProgramFolder> open(const QByteArray& name, Naming naming,
                                             int* error = nullptr);

    // The game's folder by the started-by rule: the folder of startedBy (the
    // program's argv[0], looked up on searchPath as the shell does when it
    // holds no slash) if that folder holds dataFolder; otherwise the folder
    // of realExecutable (what /proc/self/exe names), so that a link to an
    // installed game plays the game beside its real file; otherwise the
    // started-by folder as it is, so that messages name a real place. Null
    // when none opens.
    static std::optional<ProgramFolder> find(const QByteArray& startedBy,
                                             const QByteArray& searchPath,
                                             const QByteArray& realExecutable,
                                             const QByteArray& dataFolder);
    // The same for this process: startedBy is its argv[0] (may be null), with
    // $PATH and /proc/self/exe.
    static std::optional<ProgramFolder> ofThisProcess(const char* startedBy,
                                                      const QByteArray& dataFolder);

    ProgramFolder(ProgramFolder&& other) noexcept;
    ProgramFolder& operator=(ProgramFolder&& other) noexcept;
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    ~ProgramFolder();

    const QByteArray& name() const { return m_name; }
    // A path that Qt and the file code open this folder by: see above.
    QString path() const;
    // The name for people: see shownFileName().
    QString shownName() const { return shownFileName(m_name); }
    // Whether it holds a folder (or a link to one) of this name.
    bool holdsFolder(const QByteArray& child) const;

    // The name that a path with no directory part runs from, looked up on
    // searchPath (colon-separated; an empty entry is the working folder) as
    // execvp does; null when no entry holds an executable of that name.
    static std::optional<QByteArray> lookUpOnPath(const QByteArray& command,
                                                  const QByteArray& searchPath);

private:
    ProgramFolder(int descriptor, QByteArray name);
    QString descriptorLink() const;

    int m_descriptor = -1;
    QByteArray m_name;
    bool m_viaDescriptor = false;
};

// message with every path under a folder that is held open and reached
// through its descriptor link written with that folder's shown name instead.
QString withShownFolders(const QString& message);

// The file: URL of a path, with the real bytes of a held folder's name in
// place of its descriptor link, percent-encoded, so that another program
// opens the same file.
QUrl fileUrl(const QString& path);

} // namespace hanashi
