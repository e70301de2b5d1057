// E-mail reminders through sendmail -t (QProcess, arguments only, never a shell) or a mailto URL.
#include "platform/mail.h"

#include "platform/web.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QPointer>
#include <QProcess>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(MailLog, "vrdx.mail", QtWarningMsg)

constexpr int SendmailTimeLimitMs = 60000;
constexpr int MaxLineOctets = 998; // RFC 5322 line limit, without the CRLF

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

// RFC 2047 encoded words, folded one to a line so that no header line exceeds 76 characters, "Subject: "
// included. Chunks end on whole UTF-8 characters, since a decoder may decode each word by itself.
QByteArray EncodedWords(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    constexpr int    ChunkOctets = 39; // 52 base64 characters, 64 with the =?UTF-8?B? ?= frame
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

// Mail programs started and not yet finished, oldest first.
QList<QProcess*> running;

void RunSendmail(const QString& program, const QByteArray& message, const MailDone& done) {
    auto* process = new QProcess(qApp);
    running << process;
    process->setProgram(program);
    // -t: recipients from the headers; -i: a line with a single dot is text, not the end of the message.
    process->setArguments({QStringLiteral("-t"), QStringLiteral("-i")});
    process->setStandardOutputFile(QProcess::nullDevice());
    // Both errorOccurred and finished may come for one process; only the first counts.
    const auto finish = [process, done](MailResult result, const QString& reason) {
        if (!running.removeOne(process)) return;
        process->deleteLater();
        done(result, reason);
    };
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(limit, &QTimer::timeout, process, [process] {
        process->setProperty("timedOut", true);
        process->kill();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, program, finish](auto error) {
        if (error == QProcess::FailedToStart)
            finish(MailResult::Failed, QStringLiteral("The mail program %1 could not be started: %2")
                                           .arg(program, process->errorString()));
    });
    QObject::connect(
        process, &QProcess::finished, process, [process, program, finish](int exitCode, auto status) {
            if (process->property("timedOut").toBool())
                finish(MailResult::Failed,
                       QStringLiteral("The mail program %1 did not finish within a minute.").arg(program));
            else if (process->property("stopped").toBool())
                finish(MailResult::Failed,
                       QStringLiteral("The mail program %1 was stopped at quit.").arg(program));
            else if (status != QProcess::NormalExit)
                finish(MailResult::Failed,
                       QStringLiteral("The mail program %1 stopped unexpectedly.").arg(program));
            else if (exitCode != 0) {
                const QString said =
                    QString::fromLocal8Bit(process->readAllStandardError()).trimmed().left(400);
                finish(MailResult::Failed, QStringLiteral("The mail program %1 ended with status %2.%3")
                                               .arg(program)
                                               .arg(exitCode)
                                               .arg(said.isEmpty() ? QString() : QLatin1Char('\r') + said));
            } else
                finish(MailResult::Taken, QString());
        });
    // Nothing here waits: the message waits in the pipe's buffer until the program reads it.
    process->start();
    if (process->state() == QProcess::NotRunning) return; // reported through errorOccurred
    process->write(message);
    process->closeWriteChannel();
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
    return int(running.size());
}

void FinishPendingMail(int waitMs) {
    QElapsedTimer clock;
    clock.start();
    for (const QPointer<QProcess>& process : QList<QPointer<QProcess>>(running.begin(), running.end())) {
        if (!process || process->state() == QProcess::NotRunning) continue;
        if (process->waitForFinished(int(std::max<qint64>(1, waitMs - clock.elapsed())))) continue;
        // Stopped before it said it took the message: it is sent again at the next start, rather than lost.
        process->setProperty("stopped", true);
        process->kill();
        process->waitForFinished(1000);
    }
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
    bool              plain = true;
    for (const QString& line : BodyLines(body)) {
        lines << line.toUtf8();
        plain = plain && lines.last().size() <= MaxLineOctets && IsPlainAscii(line);
    }
    QByteArray m;
    m += "To: " + HeaderText(to).toUtf8() + "\r\n";
    if (!HeaderText(cc).isEmpty()) m += "Cc: " + HeaderText(cc).toUtf8() + "\r\n";
    m += "Subject: " + SubjectField(subject) + "\r\n";
    m += "Date: " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    // Anything but ASCII within the line limit goes quoted-printable: it passes every relay, 8-bit clean or
    // not, and decodes to exactly the text, however long its lines.
    m += plain ? "Content-Transfer-Encoding: 7bit\r\n" : "Content-Transfer-Encoding: quoted-printable\r\n";
    // Sent by the program, not typed as a reply: vacation responders should stay quiet.
    m += "Auto-Submitted: auto-generated\r\n";
    m += "\r\n";
    for (const QByteArray& line : lines) m += (plain ? line : QuotedPrintableLine(line)) + "\r\n";
    return m;
}

void SendReminderMail(const QString& to, const QString& cc, const QString& subject, const QString& body,
                      MailDone done) {
    qCDebug(MailLog).noquote() << MailtoText(to, cc, subject, body);
    const QString program = SendmailProgram();
    if (!program.isEmpty()) {
        RunSendmail(program, ComposeMailMessage(to, cc, subject, body), done);
        return;
    }
    if (OpenURLText(MailtoUrl(to, cc, subject, body).toString(QUrl::FullyEncoded)) == URLStatusOK)
        done(MailResult::Taken, QString());
    else
        done(MailResult::NoMailProgram, QString());
}
