// zuv-cfg backup: every gateway found, saved as DIR/<MAC>.inf.
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/gatewayaccess.h"
#include "cli/output.h"
#include "cli/passwords.h"
#include "config/configure.h"
#include "config/inffile.h"
#include "config/savebatch.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QNetworkSession>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <deque>

namespace {

// Gateways read at the same time. Reads of gateways that answer at once keep
// the processors busy, and threads beyond a few per processor only add their
// own start and end; so the reads start with that many, and while those
// running take longer than a ramp interval each, as they do on slow gateways
// or lines where a read mostly waits, twice as many run at once, up to a
// bound that keeps threads and connections to a number any PC bears.
constexpr int ReadsPerProcessor = 4;
constexpr int MaxParallelReads = 64;
constexpr int RampIntervalMs = 5;
constexpr int ProgressIntervalMs = 100;

const QString PasswordNeeded = QStringLiteral("password needed");

struct Job {
    CEquipment gateway;
    QString result; // the summary line's last column
    bool needed = true; // the gateway allows configuration, so it is to be saved
    bool saved = false; // read whole and handed to the batch of files
    QString path;
    bool waiting = false; // asks for a password none was given for, so it waits for the prompt
};

QString cannotWrite(const QString &path)
{
    return QStringLiteral("failed: %1 cannot be written").arg(path);
}

// What a gateway is, before it is read; empty when it is to be read.
QString verdictBeforeReading(const Job &job, const Passwords &passwords)
{
    if (!job.needed)
        return QStringLiteral("configuration prohibited");
    if (const QString refusal = GatewayAccess::configurationRefusal(job.gateway); !refusal.isEmpty())
        return QStringLiteral("failed: ") + refusal;
    if (GatewayAccess::asksPassword(job.gateway) && passwords.known(job.gateway).isEmpty())
        return PasswordNeeded;
    return QString();
}

// Reads one gateway and writes its file into the batch; runs in a worker thread.
void readAndSave(Job &job, const QString &password, const QDir &dir, SaveBatch &files)
{
    const GatewayAccess::Target target{job.gateway, password};
    GatewayClient::Configuration read;
    const Outcome done = GatewayAccess::read(target, read);
    if (!done) {
        job.result = QStringLiteral("failed: ") + Output::failureText(done);
        return;
    }
    job.path = dir.filePath(job.gateway.m_mac + QStringLiteral(".inf"));
    const QString text = InfFile::write(*read.configure, read.commMode, job.gateway.m_model);
    job.saved = files.add(job.path, InfFile::encode(text));
    job.result = job.saved ? QStringLiteral("saved as ") + job.path : cannotWrite(job.path);
}

// Qt registers the type of a socket's network session at its first
// connection; two threads connecting for the first time at once both register
// its conversion, and Qt prints "Type conversion already registered" on
// standard error. Registered once before the reads start, it is not.
void registerSessionType()
{
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qRegisterMetaType<QSharedPointer<QNetworkSession>>();
    QT_WARNING_POP
}

} // namespace

namespace Commands {

int backup(const QStringList &arguments)
{
    CommandLine line(QStringLiteral("backup"),
                     QStringLiteral("Searches and reads every gateway that allows configuration into "
                                    "DIR/<MAC>.inf, several at a time, each as soon as it answered, and prints "
                                    "one line per gateway: saved, password needed, configuration prohibited, or "
                                    "failed with the message.\n"
                                    "Exit status 0 when every gateway that allows configuration was saved, "
                                    "1 when none answered, 2 otherwise."));
    line.positional(QStringLiteral("DIR"), QStringLiteral("The directory for the files; made when missing."));
    line.rangeOption();
    line.passwordOption();
    int status = ExitDone;
    if (!line.parse(arguments, 1, 1, status))
        return status;
    // Everything given is checked before the directory is made and anything is sent.
    QList<QHostAddress> targets;
    Passwords passwords;
    QString error;
    if (!GatewayAccess::targets(line.values(QStringLiteral("range")), targets, error)
        || !passwords.load(line.value(QStringLiteral("password-file")), error))
        return Output::fail(QStringLiteral("zuv-cfg backup"), error);
    const QDir dir(line.positionals().first());
    if (!QDir().mkpath(dir.path()))
        return Output::fail(dir.path(), QStringLiteral("cannot be made"));

    registerSessionType();
    // The files come to the disk together once every gateway was read.
    SaveBatch files;
    // Gateways in the order they answered; a job stays in place while a thread reads it.
    std::deque<Job> jobs;
    QThreadPool pool;
    int parallel = qBound(1, ReadsPerProcessor * QThread::idealThreadCount(), MaxParallelReads);
    pool.setMaxThreadCount(parallel);
    // A thread ends once no gateway waits for it, so that the ends of the
    // threads overlap the last reads instead of following them.
    pool.setExpiryTimeout(0);
    QAtomicInt finished = 0;
    int started = 0;
    const auto startReading = [&](Job &job) {
        job.result = verdictBeforeReading(job, passwords);
        job.waiting = job.result == PasswordNeeded;
        if (!job.result.isEmpty())
            return;
        ++started;
        const QString password = passwords.known(job.gateway);
        pool.start(QRunnable::create([&job, password, &dir, &files, &finished] {
            readAndSave(job, password, dir, files);
            finished.fetchAndAddRelaxed(1);
        }));
    };

    // A gateway is read as soon as it answered, so the reads overlap the rest
    // of the search (a broadcast search lasts at least its five ticks).
    const GatewayAccess::Found found = GatewayAccess::search(targets, [&](const CEquipment &gateway) {
        jobs.push_back({gateway, QString(), GatewayAccess::allowsConfiguration(gateway), false, QString()});
        startReading(jobs.back());
    });
    if (!found.error.isEmpty())
        return Output::fail(QStringLiteral("zuv-cfg backup"), found.error);
    if (jobs.empty()) {
        Output::message(QString(), QStringLiteral("no gateway answered"));
        return ExitNone;
    }

    // Those that wait for a password have one prompt for all of them, while the others are read.
    if (std::any_of(jobs.begin(), jobs.end(), [](const Job &j) { return j.waiting; })) {
        const bool typed = passwords.askForAll(QStringLiteral("Password for the gateways that ask for one: "), error);
        for (Job &job : jobs) {
            if (!job.waiting)
                continue;
            if (typed)
                startReading(job);
            else // a password no gateway can have; the others are still saved
                job.result = QStringLiteral("failed: ") + error;
        }
    }

    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int finishedBefore = 0;
    while (!pool.waitForDone(RampIntervalMs)) {
        const int done = finished.loadRelaxed();
        // Gateways still waiting for a thread, while fewer reads ended than ran.
        if (started - done > parallel && done - finishedBefore < parallel && parallel < MaxParallelReads) {
            parallel = std::min(2 * parallel, MaxParallelReads);
            pool.setMaxThreadCount(parallel);
        }
        finishedBefore = done;
        if (sinceProgress.hasExpired(ProgressIntervalMs)) {
            Output::progress(QStringLiteral("read %1 of %2 gateways").arg(done).arg(started));
            sinceProgress.restart();
        }
    }
    Output::endProgress();
    const QStringList unsaved = files.commit();
    for (Job &job : jobs) {
        if (job.saved && unsaved.contains(job.path)) {
            job.saved = false;
            job.result = cannotWrite(job.path);
        }
    }

    QList<QStringList> rows;
    int needed = 0;
    int missing = 0;
    for (const Job &job : qAsConst(jobs)) {
        rows << QStringList{job.gateway.m_ip, job.gateway.m_mac, job.gateway.m_name, job.result};
        needed += job.needed;
        missing += job.needed && !job.saved;
    }
    Output::table({"IP Address", "MAC Address", "Name", "Result"}, rows);
    if (missing > 0)
        return Output::fail(QStringLiteral("zuv-cfg backup"),
                            QStringLiteral("%1 of %2 gateways that allow configuration not saved").arg(missing).arg(needed));
    return ExitDone;
}

} // namespace Commands
