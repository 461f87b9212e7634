// The library commands that need no window. Each has the command form of command.h;
// the arguments and results are given beside each.
#pragma once

#include "runtime/command.h"

namespace zorvel::cmd {

// Declares (and in the command files, defines) a command routine.
#define ZORVEL_COMMAND(name) void name(TypedValue* result, int argc, const TypedValue* args)

// ---- Text (double-byte aware; positions and lengths in bytes, 1-based) ----
ZORVEL_COMMAND(TextLength);      // text -> integer
ZORVEL_COMMAND(LeftText);        // text, n -> text
ZORVEL_COMMAND(RightText);       // text, n -> text
ZORVEL_COMMAND(MidText);         // text, start, n -> text
ZORVEL_COMMAND(Character);       // byte code -> text
ZORVEL_COMMAND(CharacterCode);   // text, [position = 1] -> integer (signed byte)
ZORVEL_COMMAND(FindText);        // text, sought, [start = 1], [ignore case] -> integer or -1
ZORVEL_COMMAND(ToUpper);         // text -> text
ZORVEL_COMMAND(ToLower);         // text -> text
ZORVEL_COMMAND(SpaceText);       // n -> text
ZORVEL_COMMAND(ReplaceSubtext);  // text, sought, [replacement], [start = 1], [count], [case-sensitive] -> text
ZORVEL_COMMAND(HexText);         // integer -> text "%X"

// ---- Conversion ----
ZORVEL_COMMAND(ToText);       // any -> text
ZORVEL_COMMAND(ToNumber);     // any -> double
ZORVEL_COMMAND(ToInteger);    // any -> integer
ZORVEL_COMMAND(ToByte);       // any -> byte
ZORVEL_COMMAND(ToByteSet);    // any -> byte set
ZORVEL_COMMAND(IntegerPart);  // double -> integer

// ---- Byte sets ----
ZORVEL_COMMAND(ByteSetLength);  // byte set -> integer
ZORVEL_COMMAND(RightBytes);     // byte set, n -> byte set
ZORVEL_COMMAND(MidBytes);       // byte set, start, n -> byte set
ZORVEL_COMMAND(GetBytesData);   // byte set, kind 1-10, [position variable] -> value of the kind

// ---- Arithmetic and bits ----
ZORVEL_COMMAND(Power);         // double, double -> double
ZORVEL_COMMAND(Remainder);     // double, double, ... -> double
ZORVEL_COMMAND(BitAnd);        // integer, integer, ... -> integer
ZORVEL_COMMAND(BitOr);         // integer, integer, ... -> integer
ZORVEL_COMMAND(BitXor);        // integer, integer, ... -> integer
ZORVEL_COMMAND(BitNot);        // integer -> integer
ZORVEL_COMMAND(ShiftRight);    // integer, count -> integer
ZORVEL_COMMAND(SeedRandom);    // [seed] -> none
ZORVEL_COMMAND(RandomNumber);  // [min], [max] -> integer

// ---- Files, INI files, registry ----
ZORVEL_COMMAND(ReadFile);          // file name -> byte set
ZORVEL_COMMAND(WriteFile);         // file name, byte set, ... -> logical
ZORVEL_COMMAND(CopyFile);          // source, target -> logical
ZORVEL_COMMAND(DeleteFile);        // file name -> logical
ZORVEL_COMMAND(ReadIniItem);       // file, section, key, [default] -> text
ZORVEL_COMMAND(WriteIniItem);      // file, section, [key], [value] -> logical
ZORVEL_COMMAND(ReadRegistryText);  // root, path, [default] -> text

// ---- System ----
ZORVEL_COMMAND(RunDirectory);  // -> text
ZORVEL_COMMAND(RunProgram);    // command line, [wait], [show 1-6] -> logical

// ---- Automation objects (member names match ignoring ASCII case) ----
ZORVEL_COMMAND(ReadProperty);   // object, name, [argument, ...] -> object (a new reference; empty unless the value is one)
ZORVEL_COMMAND(WriteProperty);  // object, name, [index, ...], value -> logical
ZORVEL_COMMAND(CallMethod);     // object, name, [argument, ...] -> none (the method's result is released)
ZORVEL_COMMAND(AssignObject);   // object variable, object -> none (the variable takes a reference of its own)
ZORVEL_COMMAND(ClearObject);    // object variable -> none (its reference is released, the variable emptied)

}  // namespace zorvel::cmd
