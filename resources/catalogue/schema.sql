-- The chip catalogue login.dat: its four tables. catalogue_builder creates
-- them from this file and fills them from the CSV files beside it.
--
-- Text columns compare without regard to case, as the catalogue's
-- statements have always been answered ("w25q64" finds W25Q64).
-- Units: sizes in bytes, Voltage in millivolts (1800, 3300 or 5000),
-- EraseTime in milliseconds (the longest whole-chip erase the part may take).

-- One row per chip model. Adder "Halvern" marks the factory rows; the
-- program writes "USER" into the rows the operator adds. Names are not
-- unique by constraint: an operator may add a chip under an existing name.
CREATE TABLE [ChipName] (
  ChipName   TEXT COLLATE NOCASE,
  ChipType   TEXT COLLATE NOCASE,
  ManufName  TEXT COLLATE NOCASE,
  MemoryType TEXT COLLATE NOCASE,
  Capacity   INTEGER,
  PageSize   INTEGER,
  BlockSize  INTEGER,
  OTPSize    INTEGER,
  OTPAddr    TEXT COLLATE NOCASE,
  Voltage    INTEGER,
  ChipID     TEXT COLLATE NOCASE,
  ChipPara   INTEGER,
  ChipPara1  INTEGER,
  ParaNote   TEXT COLLATE NOCASE,
  Para1Note  TEXT COLLATE NOCASE,
  EraseTime  INTEGER,
  Adder      TEXT COLLATE NOCASE,
  Note       TEXT COLLATE NOCASE
);
CREATE INDEX [ChipNameByName] ON [ChipName] (ChipName);
CREATE INDEX [ChipNameById] ON [ChipName] (ChipID);
CREATE INDEX [ChipNameByTypeManuf] ON [ChipName] (ChipType, ManufName);

-- One row per chip type; a model column holds "Enable" when that
-- programmer model handles the type.
CREATE TABLE [ChipType] (
  TypeName TEXT COLLATE NOCASE,
  Plov     TEXT COLLATE NOCASE,
  Velor    TEXT COLLATE NOCASE,
  Skar     TEXT COLLATE NOCASE
);

-- The catalogue's version; the first row's text is shown in the title.
CREATE TABLE [DevInfo] (
  Version TEXT COLLATE NOCASE
);

-- Partner links of the about dialog; rows with Enable "Enable" are shown.
CREATE TABLE [Parterner] (
  Title   TEXT COLLATE NOCASE,
  pName   TEXT COLLATE NOCASE,
  website TEXT COLLATE NOCASE,
  Enable  TEXT COLLATE NOCASE
);
