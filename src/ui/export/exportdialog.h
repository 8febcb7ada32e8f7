#pragma once

#include <QDialog>

struct AppContext;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// Form8: writes the catalogue to a text list or an Excel workbook, in two pages (the format,
// then where the file goes).
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ExportDialog(AppContext& context, QWidget* parent = nullptr);

    // The buttons' work, callable without a click.
    void showFormatPage();
    void showOptionsPage();
    void chooseFolder();
    // Runs the export; closes on success, says what went wrong and stays open otherwise.
    bool convert();

    int currentPage() const;
    QString chosenFolder() const { return chosenFolder_; }

private:
    void folderBoxToggled(bool on);
    void showWhereFileGoes();

    AppContext& context_;
    QString chosenFolder_;
    QStackedWidget* pages_;
    QRadioButton* textFormat_;
    QRadioButton* excelFormat_;
    QCheckBox* overwrite_;
    QCheckBox* otherFolder_;
    QPushButton* folderButton_;
    QLabel* tip_;
    QPushButton* convertButton_;
};
