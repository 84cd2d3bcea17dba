#pragma once
// One entry of the sound catalogue: a sound's name (its file name without the
// extension) and its file name.
#include <QString>

class NTXSoundManagerData
{
public:
    NTXSoundManagerData() = default;

    // "Glass" for the file Glass.aiff.
    const QString &soundName() const { return m_soundName; }
    void setSoundName(const QString &name);

    // "Glass.aiff".
    const QString &soundFileName() const { return m_soundFileName; }
    void setSoundFileName(const QString &fileName);

private:
    QString m_soundName;
    QString m_soundFileName;
};
