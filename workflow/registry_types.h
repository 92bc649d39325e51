#pragma once
#include <cstddef>
#include <cstdint>

// Limit of a value's text and of a value name, terminator included.
inline constexpr size_t _MAX_REG_VALUE = 2048;

// Value types as the settings file spells them (hex(N)) and as the store
// keeps them.
enum RegistryType : uint32_t {
    RegNone = 0,
    RegString = 1,
    RegBinary = 3,
    RegDword = 4,
    RegMultiString = 7,
};

// The roots a key path can live under; the file names them in full.
enum RegistryRoot : int {
    RegClassesRoot = 0,
    RegCurrentUser = 1,
    RegLocalMachine = 2,
    RegUsers = 3,
    RegCurrentConfig = 4,
};

// Access bits of an open key.
enum RegistryAccess : uint32_t {
    RegAccessQuery = 1, // read values
    RegAccessSet = 2, // write values
    RegAccessCreateSubKey = 4,
};

// Option bits of a RegistryKey.
enum RegistryOption : int {
    RegOptionCreate = 1, // create the key when missing
    RegOptionOpenOnDemand = 2, // close after every operation, reopen for the next
    RegOptionRefresh = 4, // reread every value before a value is read
    RegOptionLoading = 8, // set while the key reads its values: nothing is written back
};
