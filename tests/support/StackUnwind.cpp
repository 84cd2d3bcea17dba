#include "tests/support/StackUnwind.h"

#include <cstdint>
#include <cstring>
#include <vector>

// The C++ runtime's lookup of the call-frame information of an address (libgcc's; it
// has no public header). `func` is the start of the function found.
extern "C" {
struct dwarf_eh_bases
{
    void *tbase;
    void *dbase;
    void *func;
};
const void *_Unwind_Find_FDE(void *pc, struct dwarf_eh_bases *bases);
}

namespace testsupport {

namespace {

// The registers of x86-64 in the call-frame information's numbering.
constexpr std::uint64_t FramePointer = 6;
constexpr std::uint64_t StackPointer = 7;
constexpr int MaximumFrames = 4096;

// Reads the call-frame information where it lies in memory, up to the end of its
// entry.
struct Reader
{
    const unsigned char *at;
    const unsigned char *end;
    bool failed = false;

    bool more() const { return !failed && at < end; }
    template <typename T>
    T fixed()
    {
        T value{};
        if (end - at < std::ptrdiff_t(sizeof value)) {
            failed = true;
            return value;
        }
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    std::uint64_t uleb()
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const auto byte = fixed<std::uint8_t>();
            value |= std::uint64_t(byte & 0x7f) << shift;
            if (!(byte & 0x80) || failed)
                return value;
        }
        failed = true;
        return value;
    }
    std::int64_t sleb()
    {
        std::int64_t value = 0;
        int shift = 0;
        std::uint8_t byte = 0;
        do {
            byte = fixed<std::uint8_t>();
            value |= std::int64_t(byte & 0x7f) << shift;
            shift += 7;
        } while ((byte & 0x80) && !failed && shift < 64);
        if ((byte & 0x40) && shift < 64)
            value |= -(std::int64_t(1) << shift);
        return value;
    }
    // A pointer in one of the encodings the information uses (DW_EH_PE_*).
    std::uint64_t encoded(std::uint8_t encoding)
    {
        if (encoding == 0xff) // omitted
            return 0;
        const auto field = quintptr(at);
        std::uint64_t value = 0;
        switch (encoding & 0x0f) {
        case 0x00: value = fixed<std::uint64_t>(); break;
        case 0x01: value = uleb(); break;
        case 0x02: value = fixed<std::uint16_t>(); break;
        case 0x03: value = fixed<std::uint32_t>(); break;
        case 0x04: value = fixed<std::uint64_t>(); break;
        case 0x09: value = std::uint64_t(sleb()); break;
        case 0x0a: value = std::uint64_t(std::int64_t(fixed<std::int16_t>())); break;
        case 0x0b: value = std::uint64_t(std::int64_t(fixed<std::int32_t>())); break;
        case 0x0c: value = std::uint64_t(fixed<std::int64_t>()); break;
        default: failed = true; return 0;
        }
        if ((encoding & 0x70) == 0x10) // relative to the field
            value += field;
        return value;
    }
};

// Where a register's value of the caller is, as a rule of the information.
struct Rule
{
    enum Kind { Same, Undefined, AtOffset, IsOffset, Unknown } kind = Same;
    std::int64_t offset = 0;
};

struct Rules
{
    std::uint64_t cfaRegister = StackPointer;
    std::int64_t cfaOffset = 8;
    bool cfaKnown = true;
    Rule framePointer;
    Rule returnAddress{Rule::AtOffset, -8};
};

struct Entry
{
    const unsigned char *cieInstructions = nullptr;
    const unsigned char *cieEnd = nullptr;
    const unsigned char *fdeInstructions = nullptr;
    const unsigned char *fdeEnd = nullptr;
    std::uint64_t codeAlignment = 1;
    std::int64_t dataAlignment = -8;
    std::uint64_t returnAddressRegister = 16;
    std::uint64_t start = 0;
};

// The entry of the information for `pc`; false when there is none or it cannot be read.
bool entryFor(quintptr pc, Entry *entry)
{
    dwarf_eh_bases bases{};
    const auto *fde = static_cast<const unsigned char *>(_Unwind_Find_FDE(reinterpret_cast<void *>(pc), &bases));
    if (!fde)
        return false;
    entry->start = quintptr(bases.func);
    std::uint32_t length = 0;
    std::memcpy(&length, fde, 4);
    if (length == 0 || length == 0xffffffffu)
        return false;
    Reader f{fde + 4, fde + 4 + length};
    const unsigned char *cieField = f.at;
    const auto cieDistance = f.fixed<std::uint32_t>();
    const unsigned char *cie = cieField - cieDistance;
    std::uint32_t cieLength = 0;
    std::memcpy(&cieLength, cie, 4);
    if (cieLength == 0 || cieLength == 0xffffffffu)
        return false;
    Reader c{cie + 4, cie + 4 + cieLength};
    if (c.fixed<std::uint32_t>() != 0)
        return false;
    const auto version = c.fixed<std::uint8_t>();
    const char *augmentation = reinterpret_cast<const char *>(c.at);
    const std::size_t augmentationLength = strnlen(augmentation, std::size_t(c.end - c.at));
    c.at += augmentationLength + 1;
    if (std::strstr(augmentation, "eh"))
        return false;
    entry->codeAlignment = c.uleb();
    entry->dataAlignment = c.sleb();
    entry->returnAddressRegister = version == 1 ? c.fixed<std::uint8_t>() : c.uleb();
    std::uint8_t fdeEncoding = 0;
    bool augmented = augmentation[0] == 'z';
    if (augmented) {
        const std::uint64_t size = c.uleb();
        const unsigned char *after = c.at + size;
        for (const char *a = augmentation + 1; *a && !c.failed; ++a) {
            if (*a == 'P')
                c.encoded(c.fixed<std::uint8_t>());
            else if (*a == 'L')
                c.fixed<std::uint8_t>();
            else if (*a == 'R')
                fdeEncoding = c.fixed<std::uint8_t>();
            else if (*a != 'S' && *a != 'B')
                return false;
        }
        c.at = after;
    }
    if (c.failed || c.at > c.end)
        return false;
    entry->cieInstructions = c.at;
    entry->cieEnd = c.end;
    f.encoded(fdeEncoding); // where the function begins (the lookup said it)
    f.encoded(fdeEncoding & 0x0f); // its length
    if (augmented)
        f.at += f.uleb();
    if (f.failed || f.at > f.end)
        return false;
    entry->fdeInstructions = f.at;
    entry->fdeEnd = f.end;
    return true;
}

// Runs the instructions of the information up to the instruction at `target`.
bool run(Reader r, const Entry &entry, quintptr target, const Rules &initial, Rules *rules, quintptr *location)
{
    std::vector<Rules> remembered;
    const auto ruleOf = [&](std::uint64_t reg) -> Rule * {
        if (reg == FramePointer)
            return &rules->framePointer;
        if (reg == entry.returnAddressRegister)
            return &rules->returnAddress;
        return nullptr;
    };
    const auto set = [&](std::uint64_t reg, Rule rule) {
        if (Rule *found = ruleOf(reg))
            *found = rule;
    };
    while (r.more()) {
        const auto op = r.fixed<std::uint8_t>();
        std::uint64_t advance = 0;
        switch (op >> 6) {
        case 1: advance = op & 0x3f; break;
        case 2: set(op & 0x3f, {Rule::AtOffset, std::int64_t(r.uleb()) * entry.dataAlignment}); continue;
        case 3:
            if (Rule *rule = ruleOf(op & 0x3f))
                *rule = (op & 0x3f) == FramePointer ? initial.framePointer : initial.returnAddress;
            continue;
        default: break;
        }
        if (op >> 6 == 0) {
            switch (op) {
            case 0x00: continue; // nop
            case 0x01: *location = quintptr(r.encoded(0x00)); continue; // set_loc (absolute)
            case 0x02: advance = r.fixed<std::uint8_t>(); break;
            case 0x03: advance = r.fixed<std::uint16_t>(); break;
            case 0x04: advance = r.fixed<std::uint32_t>(); break;
            case 0x05: { const auto reg = r.uleb(); set(reg, {Rule::AtOffset, std::int64_t(r.uleb()) * entry.dataAlignment}); continue; }
            case 0x06: { const auto reg = r.uleb(); if (Rule *rule = ruleOf(reg)) *rule = reg == FramePointer ? initial.framePointer : initial.returnAddress; continue; }
            case 0x07: set(r.uleb(), {Rule::Undefined, 0}); continue;
            case 0x08: set(r.uleb(), {Rule::Same, 0}); continue;
            case 0x09: { const auto reg = r.uleb(); r.uleb(); set(reg, {Rule::Unknown, 0}); continue; }
            case 0x0a: remembered.push_back(*rules); continue;
            case 0x0b:
                if (remembered.empty())
                    return false;
                {
                    // The frame address stays as it is (the standard's rule).
                    const Rules back = remembered.back();
                    remembered.pop_back();
                    rules->framePointer = back.framePointer;
                    rules->returnAddress = back.returnAddress;
                    rules->cfaRegister = back.cfaRegister;
                    rules->cfaOffset = back.cfaOffset;
                    rules->cfaKnown = back.cfaKnown;
                }
                continue;
            case 0x0c: rules->cfaRegister = r.uleb(); rules->cfaOffset = std::int64_t(r.uleb()); rules->cfaKnown = true; continue;
            case 0x0d: rules->cfaRegister = r.uleb(); continue;
            case 0x0e: rules->cfaOffset = std::int64_t(r.uleb()); continue;
            case 0x0f: r.at += r.uleb(); rules->cfaKnown = false; continue; // def_cfa_expression
            case 0x10: { const auto reg = r.uleb(); r.at += r.uleb(); set(reg, {Rule::Unknown, 0}); continue; }
            case 0x11: { const auto reg = r.uleb(); set(reg, {Rule::AtOffset, r.sleb() * entry.dataAlignment}); continue; }
            case 0x12: rules->cfaRegister = r.uleb(); rules->cfaOffset = r.sleb() * entry.dataAlignment; rules->cfaKnown = true; continue;
            case 0x13: rules->cfaOffset = r.sleb() * entry.dataAlignment; continue;
            case 0x14: { const auto reg = r.uleb(); set(reg, {Rule::IsOffset, std::int64_t(r.uleb()) * entry.dataAlignment}); continue; }
            case 0x15: { const auto reg = r.uleb(); set(reg, {Rule::IsOffset, r.sleb() * entry.dataAlignment}); continue; }
            case 0x16: { const auto reg = r.uleb(); r.at += r.uleb(); set(reg, {Rule::Unknown, 0}); continue; }
            case 0x2e: r.uleb(); continue; // GNU_args_size
            case 0x2f: { const auto reg = r.uleb(); set(reg, {Rule::AtOffset, -std::int64_t(r.uleb()) * entry.dataAlignment}); continue; }
            default: return false;
            }
        }
        const quintptr next = *location + quintptr(advance * entry.codeAlignment);
        if (next > target)
            return !r.failed;
        *location = next;
    }
    return !r.failed;
}

} // namespace

LiveFrames liveFrames(const CopiedStack &stack)
{
    LiveFrames live;
    live.walkedTo = stack.sp;
    const auto read = [&](quintptr address, quintptr *value) {
        if (address < stack.sp || address + sizeof(quintptr) > stack.sp + stack.size)
            return false;
        std::memcpy(value, stack.bytes + (address - stack.sp), sizeof *value);
        return true;
    };
    quintptr pc = stack.pc;
    quintptr sp = stack.sp;
    quintptr bp = stack.bp.value_or(0);
    bool bpKnown = stack.bp.has_value();
    for (int frame = 0; frame < MaximumFrames; ++frame) {
        // A return address is looked up by the call before it.
        const quintptr looked = frame == 0 ? pc : pc - 1;
        Entry entry;
        if (!entryFor(looked, &entry))
            return live;
        Rules initial;
        quintptr location = entry.start;
        if (!run(Reader{entry.cieInstructions, entry.cieEnd}, entry, looked, initial, &initial, &location))
            return live;
        Rules rules = initial;
        location = entry.start;
        if (!run(Reader{entry.fdeInstructions, entry.fdeEnd}, entry, looked, initial, &rules, &location))
            return live;
        if (!rules.cfaKnown)
            return live;
        quintptr cfa = 0;
        if (rules.cfaRegister == StackPointer)
            cfa = sp + quintptr(rules.cfaOffset);
        else if (rules.cfaRegister == FramePointer && bpKnown)
            cfa = bp + quintptr(rules.cfaOffset);
        else
            return live;
        if (rules.returnAddress.kind == Rule::Undefined) {
            // The outermost frame of the thread.
            live.complete = true;
            return live;
        }
        quintptr returnAddress = 0;
        if (rules.returnAddress.kind != Rule::AtOffset || !read(cfa + quintptr(rules.returnAddress.offset), &returnAddress))
            return live;
        switch (rules.framePointer.kind) {
        case Rule::Same: break;
        case Rule::AtOffset: {
            bpKnown = read(cfa + quintptr(rules.framePointer.offset), &bp);
            break;
        }
        case Rule::IsOffset:
            bp = cfa + quintptr(rules.framePointer.offset);
            bpKnown = true;
            break;
        default: bpKnown = false; break;
        }
        if (returnAddress == 0 || cfa <= sp) {
            live.complete = returnAddress == 0;
            return live;
        }
        live.returnAddresses.append(returnAddress);
        live.walkedTo = cfa;
        pc = returnAddress;
        sp = cfa;
    }
    return live;
}

quintptr functionStart(quintptr address)
{
    dwarf_eh_bases bases{};
    return _Unwind_Find_FDE(reinterpret_cast<void *>(address), &bases) ? quintptr(bases.func) : 0;
}

} // namespace testsupport
