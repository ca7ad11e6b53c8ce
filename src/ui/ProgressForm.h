#pragma once

class QDialog;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QVBoxLayout;

// The widgets of the progress dialog, built by hand in the shape a form
// designer would give them, so that object names stay stable for tests and
// for the style sheet.
class ProgressForm
{
public:
    QVBoxLayout* dialogLayout = nullptr;
    QLabel* headingLabel = nullptr; // what is done to which extension in which installation
    QLabel* statusLabel = nullptr;
    QProgressBar* progressBar = nullptr;
    QDialogButtonBox* buttonBox = nullptr; // Cancel, shown only where an operation can stop

    void setupUi(QDialog* dialog);
    void retranslateUi(QDialog* dialog);
};
