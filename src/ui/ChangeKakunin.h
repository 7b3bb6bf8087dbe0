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

    // Shows `question` as the caption and waits for an answer. When Asker is
    // set it answers instead of the user (tests script the answers with it).
    Result Ask(const QString &question);
    std::function<Result(TdlgChangeKakunin &)> Asker;

    QPushButton *bitAllYes, *bitYes, *bitNo, *bitCancel;

public slots:
    void bitAllYesClick() { Answer(Result::All); }
    void bitYesClick() { Answer(Result::Yes); }
    void bitNoClick() { Answer(Result::No); }
    void bitCancelClick() { Answer(Result::Cancel); }
    void reject() override { bitCancelClick(); } // Esc and the window's close button

private:
    void Answer(Result result);
    Result result_ = Result::Cancel;
};

} // namespace kelvra
