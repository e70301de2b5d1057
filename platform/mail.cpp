// E-mail reminders through sendmail -t (QProcess, arguments only, never a shell) or a mailto URL.
#include "platform/mail.h"

#include "platform/alerts.h"
#include "platform/web.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(MailLog, "vrdx.mail", QtWarningMsg)

constexpr int SendmailTimeLimitMs = 60000;
constexpr int MaxLineOctets = 998; // RFC 5322 line limit, without the CRLF

int pendingMail = 0;

// Line breaks and other control characters in a header text become blanks: a line break followed by a
// name and a colon would otherwise start a header of the sender's choosing.
QString HeaderText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    return out.trimmed();
}

bool IsPlainAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    return true;
}

// RFC 2047 encoded words of at most 75 characters, folded onto continuation lines. Chunks end on whole UTF-8
// characters, since a decoder may decode each word by itself.
QByteArray EncodedWords(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    constexpr int    ChunkOctets = 45; // 60 base64 characters, 72 with the =?UTF-8?B? ?= frame
    QByteArray       out;
    int              start = 0;
    while (start < utf8.size()) {
        int end = std::min(start + ChunkOctets, int(utf8.size()));
        while (end < utf8.size() && (uchar(utf8[end]) & 0xC0) == 0x80) --end;
        if (!out.isEmpty()) out += "\r\n ";
        out += "=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        start = end;
    }
    return out;
}

QByteArray SubjectField(const QString& subject) {
    const QString text = HeaderText(subject);
    // "=?" would be read as the start of an encoded word; a long subject needs folding either way.
    if (IsPlainAscii(text) && !text.contains(QLatin1String("=?")) && text.size() <= 900)
        return text.toLatin1();
    return EncodedWords(text);
}

QStringList BodyLines(const QString& body) {
    QString text = body;
    // Daynote texts separate lines with carriage returns; mail wants CRLF whatever came in.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text.split(QLatin1Char('\n'));
}

// Quoted-printable for one line, with soft breaks so that no encoded line exceeds 76 characters.
QByteArray QuotedPrintableLine(const QByteArray& line) {
    QByteArray out;
    int        column = 0;
    for (int i = 0; i < line.size(); ++i) {
        const uchar c = uchar(line[i]);
        const bool  last = i == line.size() - 1;
        QByteArray  piece;
        if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last))
            piece = QByteArray(1, char(c));
        else
            piece = '=' + QByteArray::number(c, 16).rightJustified(2, '0').toUpper();
        if (column + piece.size() > 75) {
            out += "=\r\n";
            column = 0;
        }
        out += piece;
        column += int(piece.size());
    }
    return out;
}

void AlertMailNotSent(const QString& reason) {
    ShowAlert(AlertStyle::Warning, QStringLiteral("The reminder e-mail could not be sent"), reason);
}

void RunSendmail(const QString& program, const QByteArray& message) {
    auto* process = new QProcess;
    process->setProgram(program);
    // -t: recipients from the headers; -i: a line with a single dot is text, not the end of the message.
    process->setArguments({QStringLiteral("-t"), QStringLiteral("-i")});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(5000)) {
        AlertMailNotSent(QStringLiteral("The mail program %1 could not be started: %2")
                             .arg(program, process->errorString()));
        delete process;
        return;
    }
    ++pendingMail;
    process->write(message);
    // Only the pipe is waited for, which the mail program empties at once; its delivery is not.
    process->waitForBytesWritten(5000);
    process->closeWriteChannel();

    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, process, [process] {
        process->setProperty("timedOut", true);
        process->kill();
    });
    QObject::connect(
        process, &QProcess::finished, process, [process, program](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            --pendingMail;
            if (process->property("timedOut").toBool())
                AlertMailNotSent(
                    QStringLiteral("The mail program %1 did not finish within a minute.").arg(program));
            else if (status != QProcess::NormalExit)
                AlertMailNotSent(QStringLiteral("The mail program %1 stopped unexpectedly.").arg(program));
            else if (exitCode != 0) {
                const QString said =
                    QString::fromLocal8Bit(process->readAllStandardError()).trimmed().left(400);
                AlertMailNotSent(QStringLiteral("The mail program %1 ended with status %2.%3")
                                     .arg(program)
                                     .arg(exitCode)
                                     .arg(said.isEmpty() ? QString() : QLatin1Char('\r') + said));
            }
        });
    limit->start(SendmailTimeLimitMs);
}

QString ExecutableOrEmpty(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

} // namespace

QString SendmailProgram() {
    // A set but wrong $VRDX_SENDMAIL means "no sendmail", so that tests never reach the system's own.
    if (qEnvironmentVariableIsSet("VRDX_SENDMAIL"))
        return ExecutableOrEmpty(qEnvironmentVariable("VRDX_SENDMAIL"));
    for (const char* path : {"/usr/sbin/sendmail", "/usr/lib/sendmail"}) {
        const QString found = ExecutableOrEmpty(QString::fromLatin1(path));
        if (!found.isEmpty()) return found;
    }
    return QString();
}

int PendingMailCount() {
    return pendingMail;
}

bool MailAvailable() {
    return !SendmailProgram().isEmpty();
}

QString MailtoText(const QString& to, const QString& cc, const QString& subject, const QString& body) {
    return QStringLiteral("mailTo:%1?cc=%2&subject=%3&body=%4").arg(to, cc, subject, body);
}

QUrl MailtoUrl(const QString& to, const QString& cc, const QString& subject, const QString& body) {
    // Each part is encoded by itself; the unescaped text above cut a subject or body at its first "&".
    const auto address = [](const QString& a) {
        return QString::fromLatin1(QUrl::toPercentEncoding(HeaderText(a), "@,"));
    };
    const auto part = [](const QString& t) { return QString::fromLatin1(QUrl::toPercentEncoding(t)); };
    QString    text = QStringLiteral("mailto:") + address(to) + QLatin1Char('?');
    if (!HeaderText(cc).isEmpty()) text += QStringLiteral("cc=") + address(cc) + QLatin1Char('&');
    text += QStringLiteral("subject=") + part(HeaderText(subject)) + QStringLiteral("&body=") +
            part(BodyLines(body).join(QLatin1String("\r\n")));
    return QUrl(text, QUrl::StrictMode);
}

QByteArray ComposeMailMessage(const QString& to, const QString& cc, const QString& subject,
                              const QString& body) {
    QList<QByteArray> lines;
    bool              longLine = false;
    for (const QString& line : BodyLines(body)) {
        lines << line.toUtf8();
        longLine = longLine || lines.last().size() > MaxLineOctets;
    }
    QByteArray m;
    m += "To: " + HeaderText(to).toUtf8() + "\r\n";
    if (!HeaderText(cc).isEmpty()) m += "Cc: " + HeaderText(cc).toUtf8() + "\r\n";
    m += "Subject: " + SubjectField(subject) + "\r\n";
    m += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    // 8bit allows lines of 998 octets at most; a longer paragraph goes quoted-printable instead.
    m += longLine ? "Content-Transfer-Encoding: quoted-printable\r\n" : "Content-Transfer-Encoding: 8bit\r\n";
    // Sent by the program, not typed as a reply: vacation responders should stay quiet.
    m += "Auto-Submitted: auto-generated\r\n";
    m += "\r\n";
    for (const QByteArray& line : lines) m += (longLine ? QuotedPrintableLine(line) : line) + "\r\n";
    return m;
}

void SendReminderMail(const QString& to, const QString& cc, const QString& subject, const QString& body) {
    qCDebug(MailLog).noquote() << MailtoText(to, cc, subject, body);
    const QString program = SendmailProgram();
    if (!program.isEmpty()) {
        RunSendmail(program, ComposeMailMessage(to, cc, subject, body));
        return;
    }
    if (OpenURLText(MailtoUrl(to, cc, subject, body).toString(QUrl::FullyEncoded)) != URLStatusOK)
        ShowAlert(
            AlertStyle::Warning,
            QStringLiteral(
                "A sendmail-compatible mail program must be installed BEFORE sending an email reminder "),
            QStringLiteral("Please install msmtp-mta or set up a mail client and try again"));
}
