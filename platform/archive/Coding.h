#pragma once
// An object that can be written to and read from a keyed archive. The archive
// records the class name the object gives; reading makes an empty object of that
// class through the CodingRegistry first and then has it read its keys, so that
// objects referring to each other (also in a cycle) are decoded once and shared.
//
// Objects are held by std::shared_ptr. An object that refers back to its owner
// (a group to its bar) keeps that reference weak or plain, or the pair would never
// be freed. initWithCoder() runs on the decoding thread; an object answering false
// reads as none (for instance when the coder does not allow keyed coding), and a
// failure of the coder makes the whole decode fail.
#include <QString>
#include <QVariant>
#include <memory>

namespace platform {

class Coder;

class Coding
{
public:
    virtual ~Coding();
    // The name stored in the archive, the one the class is registered under.
    virtual QString classNameForCoder() const = 0;
    virtual void encodeWithCoder(Coder &coder) const = 0;
    virtual bool initWithCoder(Coder &coder) = 0;
};

using CodingPtr = std::shared_ptr<Coding>;

} // namespace platform
