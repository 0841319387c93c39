#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A sound server of the test's own (PulseAudio) with one sink that plays nowhere: what the
// programs started after it play is measured on the sink's monitor.
class TestAudioServer
{
public:
    TestAudioServer() = default;
    ~TestAudioServer();

    // False when the server is not installed or does not start.
    bool start();
    // The root mean square of the 16-bit samples played over the next second.
    double loudness();

private:
    QString serverAddress() const;

    QTemporaryDir m_folder;
    QProcess m_server;
};
