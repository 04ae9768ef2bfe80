-- The local configuration database "vqdetail.mdb" on SQLite: the database account and the FTP
-- server of this installation. Only the first row of Config is read.
CREATE TABLE IF NOT EXISTS Config (
    PdmUser VARCHAR(50) COLLATE NOCASE,
    Password VARCHAR(50),
    DomainName VARCHAR(255) COLLATE NOCASE,
    FtpUser VARCHAR(50),
    FtpPwd VARCHAR(50)
);
