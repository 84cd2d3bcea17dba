#include "NTXAppKit/sounds/NTXSoundManagerData.h"

void NTXSoundManagerData::setSoundName(const QString &name)
{
    m_soundName = name;
}

void NTXSoundManagerData::setSoundFileName(const QString &fileName)
{
    m_soundFileName = fileName;
}
