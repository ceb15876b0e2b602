#pragma once

#include <QString>

class QWidget;

// Every message box of the program goes through this interface, so tests can put a recording
// substitute in place of real dialogs (MessageBoxes::Override).
class MessageBoxes {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;
    // Error icon, OK button.
    virtual void ShowError(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Information icon, OK button.
    virtual void ShowInformation(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Question with Yes, No and Cancel; closing the box answers Cancel.
    virtual Answer AskYesNoCancel(QWidget* owner, const QString& caption, const QString& text) = 0;

    // The implementation in use: the real message boxes unless overridden.
    static MessageBoxes& Current();

    // Puts another implementation in place for its lifetime (tests); nests.
    class Override {
    public:
        explicit Override(MessageBoxes& replacement);
        ~Override();
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        MessageBoxes* m_previous;
    };

private:
    static MessageBoxes* s_override;
};
