#pragma once

#include <QFileDialog>
#include <QList>
#include <QUrl>
#include <optional>

// The open dialog of the add button, behind an interface that tests replace.
class OpenFilePanel {
public:
    virtual ~OpenFilePanel() = default;
    // Runs the dialog modally. The chosen files and folders in the dialog's order; none when
    // it was cancelled.
    virtual std::optional<QList<QUrl>> run(QWidget* parent) = 0;
};

// A non-native file dialog in which files and folders are chosen together: several entries
// may be selected, and Open takes the selected folders as they are instead of entering them.
// Hidden files are not shown; there is no filter on types.
class FilesAndFoldersDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit FilesAndFoldersDialog(QWidget* parent = nullptr);
    // What was chosen, once the dialog was accepted.
    const QList<QUrl>& chosen() const { return chosen_; }

    void accept() override;

private:
    QList<QUrl> chosen_;
};

class FileAndFolderPanel : public OpenFilePanel {
public:
    std::optional<QList<QUrl>> run(QWidget* parent) override;
};
