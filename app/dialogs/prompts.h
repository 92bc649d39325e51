#pragma once
#include <QString>

class QWidget;

enum PromptAnswer : int { PromptYes, PromptNo, PromptCancel };

// What the save dialog asks and answers.
struct SaveChoice {
    QString defaultName; // the open image's path
    QString folder; // folder of the last successful save
    int type = 0; // preselected file type 1..5; on return, the type chosen
    int quality = 200; // on return: 24, 40, 60 or 200
    int subsamplingChoice = 0; // 0..2, preset and returned
    QString path; // on return: the chosen path
};

// Every question the main window puts to the user goes through here, so that
// tests can answer them without a window of their own.
class Prompter {
public:
    virtual ~Prompter() = default;
    // A question with the question icon: Yes/No, or Yes/No/Cancel.
    virtual PromptAnswer Ask(QWidget* owner, const QString& text, bool withCancel) = 0;
    // A failure notice with an OK button.
    virtual void Inform(QWidget* owner, const QString& text) = 0;
    // The file to open; empty when cancelled.
    virtual QString ChooseOpenPath(QWidget* owner) = 0;
    // The file to save to; false when cancelled.
    virtual bool ChooseSavePath(QWidget* owner, SaveChoice& choice) = 0;
};

// The real dialogs.
class DialogPrompter : public Prompter {
public:
    PromptAnswer Ask(QWidget* owner, const QString& text, bool withCancel) override;
    void Inform(QWidget* owner, const QString& text) override;
    QString ChooseOpenPath(QWidget* owner) override;
    bool ChooseSavePath(QWidget* owner, SaveChoice& choice) override;
};

// The open dialog's filter, in the file dialog's own syntax.
QString OpenDialogFilter();
