#pragma once
// TdlgChangeKakunin: the question asked for each occurrence of a search or
// replacement run. The caption carries the question; the body holds the four
// answers.

#include <QDialog>
#include <functional>

class QPushButton;

namespace kelvra {

class TdlgChangeKakunin : public QDialog {
    Q_OBJECT
public:
    enum class Result { All, Yes, No, Cancel };

    explicit TdlgChangeKakunin(QWidget *parent = nullptr);

    // Shows `question` as the caption and waits for an answer.
    Result Ask(const QString &question);
    // Answers instead of the user from now on (tests script the answers with it).
    void SetAsker(std::function<Result(TdlgChangeKakunin &)> asker) { asker_ = std::move(asker); }

public slots:
    void bitAllYesClick() { Answer(Result::All); }
    void bitYesClick() { Answer(Result::Yes); }
    void bitNoClick() { Answer(Result::No); }
    void bitCancelClick() { Answer(Result::Cancel); }
    void reject() override { bitCancelClick(); } // Esc and the window's close button

protected:
    // A button's letter alone answers, as in the message boxes (Y, N).
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Answer(Result result);
    std::function<Result(TdlgChangeKakunin &)> asker_;
    QPushButton *bitAllYes, *bitYes, *bitNo, *bitCancel;
    Result result_ = Result::Cancel;
};

} // namespace kelvra
