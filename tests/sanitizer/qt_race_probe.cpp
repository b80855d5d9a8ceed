// A race of our own whose stacks pass through Qt on both sides: a thread Qt started writes, and
// a slot Qt's event loop calls reads, with nothing ordering the two. The suppressions silence
// only races inside Qt's own frames, so ThreadSanitizer must still report this one.
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace {

int unguarded = 0;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QThread* writer = QThread::create([] {
        for (int i = 1; i <= 1000; ++i)
            unguarded = i;
    });
    writer->start();
    QTimer::singleShot(50, &application, [&] {
        const int seen = unguarded; // before the join: nothing orders it after the writes
        writer->wait();
        delete writer;
        application.exit(seen >= 0 ? 0 : 1);
    });
    return application.exec();
}
