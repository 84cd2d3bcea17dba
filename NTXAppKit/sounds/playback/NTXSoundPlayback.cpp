#include "NTXAppKit/sounds/playback/NTXSoundPlayback.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

NTXSoundPlayback::NTXSoundPlayback()
    : m_output(std::make_unique<QAudioOutput>()), m_player(std::make_unique<QMediaPlayer>())
{
    m_player->setAudioOutput(m_output.get());
}

NTXSoundPlayback::~NTXSoundPlayback()
{
    m_player->stop();
}

void NTXSoundPlayback::play(const QString &path)
{
    m_player->setSource(QUrl::fromLocalFile(path));
    m_player->play();
}

void NTXSoundPlayback::stop()
{
    m_player->stop();
}

bool NTXSoundPlayback::hasEnded() const
{
    return m_player->mediaStatus() == QMediaPlayer::EndOfMedia || m_player->mediaStatus() == QMediaPlayer::InvalidMedia
        || m_player->error() != QMediaPlayer::NoError;
}

QString NTXSoundPlayback::errorString() const
{
    return m_player->errorString();
}

QObject *chronarkCreateSoundPlayback()
{
    if (QMediaDevices::defaultAudioOutput().isNull())
        return nullptr;
    return new NTXSoundPlayback;
}
