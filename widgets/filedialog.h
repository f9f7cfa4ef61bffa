#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace vinary {

// The file-open dialog, behind an interface so that tests answer it instead of a person.
class FileDialog
{
public:
    virtual ~FileDialog() = default;
    // The chosen file, or an empty text when the user cancels. The first filter is selected.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                                 const QStringList &filters) = 0;
};

// The platform's own dialog.
class QtFileDialog : public FileDialog
{
public:
    QString openFileName(QWidget *parent, const QString &caption, const QString &directory,
                         const QStringList &filters) override;
};

} // namespace vinary
