// A window with nothing but the text view, to try it by hand: Japanese SQL with
// a bold keyword and a coloured comment, or the file named on the command line.
//   build/tests/ui/text_view_try [file]
#include "ui/TextView.h"

#include <QApplication>
#include <QFile>

using namespace kelvra;

namespace {

const char16_t kSample[] = u"-- 社員ごとの給与を表示する\n"
                           u"SELECT 社員番号, 氏名, 給与\n"
                           u"FROM 社員表\n"
                           u"WHERE 部署 = '営業部'\tAND 給与 > 300000\n"
                           u"ORDER BY 給与 DESC;\n";

TextContent Sample() {
    QTextCharFormat comment;
    comment.setForeground(QColor(0, 128, 0));
    TextContent content;
    const QStringView sample(kSample);
    const qsizetype commentEnd = sample.indexOf(u'\n');
    content.Append(sample.left(commentEnd), comment);
    content.Append(sample.mid(commentEnd), {});
    content.SetBold({EditorRange{int(commentEnd) + 1, 6}});
    return content;
}

TextContent FileContent(const QString &path) {
    QFile file(path);
    TextContent content;
    if (file.open(QIODevice::ReadOnly)) content.Append(QString::fromUtf8(file.readAll()).remove(u'\r'), {});
    return content;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    TextView view;
    QFont font("Monospace", 12);
    font.setStyleHint(QFont::TypeWriter);
    view.SetDefaultFont(font);
    view.Model().Reset(argc > 1 ? FileContent(QString::fromLocal8Bit(argv[1])) : Sample());
    view.setWindowTitle("TextView");
    view.resize(640, 360);
    view.show();
    return app.exec();
}
