-- Table ip of the inventory database db.mdb: one row per PC.
-- Text is stored as the code page 936 bytes it came as.
CREATE TABLE IF NOT EXISTS ip (
    pcname   TEXT,
    username TEXT,
    mac      TEXT COLLATE NOCASE,
    ip       TEXT,
    cpu      TEXT,
    board    TEXT,
    os       TEXT,
    pctype   TEXT,
    rammax   TEXT,
    rammin   TEXT,
    bios     TEXT,
    bm       TEXT,
    dh       TEXT,
    bz       TEXT,
    yp       TEXT,
    xk       TEXT,
    djsj     DATETIME DEFAULT (datetime('now', 'localtime'))
);
CREATE INDEX IF NOT EXISTS ip_mac ON ip (mac);
-- What reports overwrote: one row per changed value of a row of ip, with
-- the MAC the report came under, the column, the old value (null when the
-- row held none) and the new one, the local time of the change
-- ("YYYY-MM-DD HH:MM:SS") and the address the report came from. Rows are
-- only ever added.
CREATE TABLE IF NOT EXISTS ip_history (
    id         INTEGER PRIMARY KEY,
    mac        TEXT COLLATE NOCASE,
    field      TEXT,
    oldvalue   TEXT,
    newvalue   TEXT,
    changetime TEXT,
    address    TEXT
);
CREATE INDEX IF NOT EXISTS ip_history_mac ON ip_history (mac);
-- When each PC was last seen: the node-status answer of a sweep (its local
-- time, the address it came from, the NetBIOS name it gave and the start of
-- that sweep) and its last report (time and address). Keyed by the MAC as
-- twelve uppercase hex digits; an answer whose MAC is all zeros is keyed
-- "IP " and its address. Rows are added and updated, never deleted.
CREATE TABLE IF NOT EXISTS ip_seen (
    seenkey       TEXT PRIMARY KEY,
    onlinetime    TEXT,
    address       TEXT,
    netbiosname   TEXT,
    sweeptime     TEXT,
    reporttime    TEXT,
    reportaddress TEXT
);
-- What the firmware tells of each PC: maker, model, serial numbers, asset
-- tag and UUID (lower case with dashes), keyed as ip_history is; a
-- placeholder is stored as ''. reporttime: the report that last changed
-- them. Written only when a report's values differ.
CREATE TABLE IF NOT EXISTS ip_device (
    mac           TEXT PRIMARY KEY COLLATE NOCASE,
    maker         TEXT,
    model         TEXT,
    serial        TEXT,
    boardserial   TEXT,
    chassisserial TEXT,
    assettag      TEXT,
    uuid          TEXT,
    reporttime    TEXT
);
CREATE INDEX IF NOT EXISTS ip_device_uuid ON ip_device (uuid);
CREATE INDEX IF NOT EXISTS ip_device_serial ON ip_device (serial);
-- Each PC's monitors: the raw EDID and what it says, keyed as ip_history
-- is. connected: 1 while the PC's reports list it; lastseen is the last
-- report that listed it once it is no longer connected.
CREATE TABLE IF NOT EXISTS ip_monitor (
    id           INTEGER PRIMARY KEY,
    mac          TEXT COLLATE NOCASE,
    edid         BLOB,
    pnp          TEXT,
    product      INTEGER,
    serialnumber TEXT,
    serialtext   TEXT,
    modelname    TEXT,
    firstseen    TEXT,
    lastseen     TEXT,
    connected    INTEGER
);
CREATE INDEX IF NOT EXISTS ip_monitor_mac ON ip_monitor (mac);
-- The MACs known of each PC: those its collector lists and those its row
-- held before it changed MAC ("02:4F:00:00:0A:01"), with the PC's key.
-- (Not "ip_mac": that name is the index of ip's MACs, and SQLite keeps
-- tables and indexes under one set of names.)
CREATE TABLE IF NOT EXISTS ip_knownmac (
    othermac TEXT PRIMARY KEY COLLATE NOCASE,
    mac      TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS ip_knownmac_mac ON ip_knownmac (mac);
-- The programs installed on each PC, as its collector's last list named
-- them: one row a program, keyed as ip_history is (the row's MAC, or the
-- key of a row without one). A report that brings a list replaces the
-- PC's rows; app is 1 for an application, 0 for a package only.
CREATE TABLE IF NOT EXISTS ip_software (
    mac         TEXT COLLATE NOCASE,
    name        TEXT,
    version     TEXT,
    publisher   TEXT,
    installdate TEXT,
    bits        TEXT,
    scope       TEXT,
    app         INTEGER
);
CREATE INDEX IF NOT EXISTS ip_software_mac ON ip_software (mac);
CREATE INDEX IF NOT EXISTS ip_software_name ON ip_software (name);
-- One row per PC whose collector sent a list: a digest of the list (an
-- unchanged list writes nothing), when it was last written and how many
-- programs it holds.
CREATE TABLE IF NOT EXISTS ip_softlist (
    mac      TEXT PRIMARY KEY COLLATE NOCASE,
    digest   TEXT,
    listtime TEXT,
    programs INTEGER
);
-- Licences bought: a program name as the administrator types it, or a
-- pattern with * (Microsoft Office*) naming several, and the seats.
CREATE TABLE IF NOT EXISTS ip_licence (
    id      INTEGER PRIMARY KEY,
    pattern TEXT UNIQUE,
    seats   INTEGER,
    note    TEXT
);
-- The administrator's asset record of each PC, keyed as ip_history is (the
-- MAC as the PC's row holds it, or the key of a row without one). Dates
-- are "YYYY-MM-DD", the price has two decimal places, the status is one of
-- 在用, 备用, 维修, 报废. No report writes it; its changes go into
-- ip_history with the address 手工修改 or the import's.
CREATE TABLE IF NOT EXISTS ip_asset (
    mac          TEXT PRIMARY KEY COLLATE NOCASE,
    assetno      TEXT,
    status       TEXT,
    location     TEXT,
    purchasedate TEXT,
    supplier     TEXT,
    price        TEXT,
    warrantyend  TEXT,
    remark       TEXT
);
CREATE UNIQUE INDEX IF NOT EXISTS ip_asset_no ON ip_asset (assetno) WHERE assetno <> '';
