-- The shared product database on SQLite.
-- Text columns compare without regard to ASCII letter case (COLLATE NOCASE), as the statements
-- of the system expect. Column order is part of the contract: some reads go by position.
-- Every column that statements search or join by is indexed.

-- Users and groups
CREATE TABLE IF NOT EXISTS UserInformation (
    UserLogName VARCHAR(50) COLLATE NOCASE NOT NULL PRIMARY KEY,
    UserName VARCHAR(50) COLLATE NOCASE,
    UserDescription VARCHAR(255) COLLATE NOCASE,
    GroupName VARCHAR(255) COLLATE NOCASE,
    EmailAddress VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_UserInformation_GroupName ON UserInformation (GroupName);

CREATE TABLE IF NOT EXISTS GroupInformation (
    GroupName VARCHAR(50) COLLATE NOCASE NOT NULL PRIMARY KEY,
    GroupDescription VARCHAR(255) COLLATE NOCASE,
    Groupmanager VARCHAR(50) COLLATE NOCASE
);

-- Operation log
CREATE TABLE IF NOT EXISTS LogInformation (
    LogGroup VARCHAR(50) COLLATE NOCASE,
    LogType VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(100) COLLATE NOCASE,
    Machine VARCHAR(50) COLLATE NOCASE,
    LogTime VARCHAR(20) COLLATE NOCASE,
    Operation VARCHAR(1000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_LogInformation_PartCode ON LogInformation (PartCode);
CREATE INDEX IF NOT EXISTS IX_LogInformation_LogTime ON LogInformation (LogTime);

-- Work log
CREATE TABLE IF NOT EXISTS TeamWorkLog (
    LogID VARCHAR(100) COLLATE NOCASE,
    LogType VARCHAR(50) COLLATE NOCASE,
    UserName VARCHAR(100) COLLATE NOCASE,
    SaveDate VARCHAR(20) COLLATE NOCASE,
    LogTopic VARCHAR(255) COLLATE NOCASE,
    LogPrompt VARCHAR(1000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkLog_LogID ON TeamWorkLog (LogID);

-- Notices to users ("Reseiver" is the column's name)
CREATE TABLE IF NOT EXISTS MessageManage (
    Sender VARCHAR(50) COLLATE NOCASE,
    Reseiver VARCHAR(50) COLLATE NOCASE,
    SendTime VARCHAR(20) COLLATE NOCASE,
    SendDate VARCHAR(10) COLLATE NOCASE,
    MachineIP VARCHAR(50) COLLATE NOCASE,
    Topic VARCHAR(255) COLLATE NOCASE,
    Content VARCHAR(2000) COLLATE NOCASE,
    ReadFlag VARCHAR(1) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_MessageManage_Reseiver ON MessageManage (Reseiver, ReadFlag);

-- Sequences ("SELECT name.nextVal FROM dual" steps the row of that name).
CREATE TABLE IF NOT EXISTS vq_sequences (
    Name VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    Value INTEGER NOT NULL DEFAULT 0
);

-- ---------------------------------------------------------------------------------------------
-- Product structure: title and detail tables of the four families, the product catalogue,
-- rights, revision, borrowing and review-result tables.
--
-- Title tables: the first 27 columns are read by position (drawing detail view); TNote is the
-- 15th column, which that view skips. Family columns (FileID, ProjectNo) follow them.
-- Detail tables: one row per bill-of-materials line. The import deletes by (UpCode, Dcode) and
-- by TCode, the tree readers search by UpCode and Dcode: all of them are indexed, so storing a
-- structure costs in proportion to its lines.

CREATE TABLE IF NOT EXISTS VqkorvelAll_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_title_TCode ON VqkorvelAll_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_title_Product ON VqkorvelAll_title (ProductDwgCode);

CREATE TABLE IF NOT EXISTS VqkorvelAll_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_UpCode ON VqkorvelAll_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_Dcode ON VqkorvelAll_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_detail_Product ON VqkorvelAll_detail (ProductDwgCode);

CREATE TABLE IF NOT EXISTS VqkorvelTeam_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_title_TCode ON VqkorvelTeam_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_title_FileID ON VqkorvelTeam_title (FileID);

CREATE TABLE IF NOT EXISTS VqkorvelTeam_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    PartFileID VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_UpCode ON VqkorvelTeam_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_Dcode ON VqkorvelTeam_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTeam_detail_FileID ON VqkorvelTeam_detail (FileID);

CREATE TABLE IF NOT EXISTS VqkorvelTask_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    ProjectNo VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_title_TCode ON VqkorvelTask_title (TCode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_title_ProjectNo ON VqkorvelTask_title (ProjectNo);

CREATE TABLE IF NOT EXISTS VqkorvelTask_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    ProjectNo VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_UpCode ON VqkorvelTask_detail (UpCode, Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_Dcode ON VqkorvelTask_detail (Dcode);
CREATE INDEX IF NOT EXISTS IX_VqkorvelTask_detail_ProjectNo ON VqkorvelTask_detail (ProjectNo);

CREATE TABLE IF NOT EXISTS VqkorvelVer_title (
    TCode VARCHAR(100) COLLATE NOCASE,
    TName VARCHAR(255) COLLATE NOCASE,
    TMaterial VARCHAR(100) COLLATE NOCASE,
    TWeight REAL,
    TScale VARCHAR(50) COLLATE NOCASE,
    Tframe VARCHAR(50) COLLATE NOCASE,
    TSize VARCHAR(50) COLLATE NOCASE,
    TStyle VARCHAR(100) COLLATE NOCASE,
    TStand VARCHAR(100) COLLATE NOCASE,
    TLayout VARCHAR(50) COLLATE NOCASE,
    TBinding VARCHAR(50) COLLATE NOCASE,
    TDesigner VARCHAR(100) COLLATE NOCASE,
    TDesignTime VARCHAR(30) COLLATE NOCASE,
    Ttime VARCHAR(30) COLLATE NOCASE,
    TNote VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    TParamDwgCode VARCHAR(100) COLLATE NOCASE,
    Tother1 VARCHAR(255) COLLATE NOCASE,
    Tother2 VARCHAR(255) COLLATE NOCASE,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LateRev VARCHAR(20) COLLATE NOCASE,
    TParam VARCHAR(255) COLLATE NOCASE,
    Tother3 VARCHAR(255) COLLATE NOCASE,
    Tother4 VARCHAR(255) COLLATE NOCASE,
    Tother5 VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_title_TCode ON VqkorvelVer_title (TCode, LateRev);

CREATE TABLE IF NOT EXISTS VqkorvelVer_detail (
    UpCode VARCHAR(100) COLLATE NOCASE,
    UpName VARCHAR(255) COLLATE NOCASE,
    Ditem INTEGER,
    Dcode VARCHAR(100) COLLATE NOCASE,
    Dname VARCHAR(255) COLLATE NOCASE,
    DMaterial VARCHAR(100) COLLATE NOCASE,
    Dweight REAL,
    Dtweight REAL,
    Dquantity INTEGER,
    Dremark VARCHAR(255) COLLATE NOCASE,
    Dstyle VARCHAR(100) COLLATE NOCASE,
    Dstand VARCHAR(255) COLLATE NOCASE,
    Dother1 VARCHAR(255) COLLATE NOCASE,
    Dother2 VARCHAR(255) COLLATE NOCASE,
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    ParentRev VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_detail_UpCode ON VqkorvelVer_detail (UpCode, ParentRev);
CREATE INDEX IF NOT EXISTS IX_VqkorvelVer_detail_Dcode ON VqkorvelVer_detail (Dcode);

-- Named engineering views over the archive structure.
CREATE TABLE IF NOT EXISTS VqkorvelAll_View (
    ViewName VARCHAR(100) COLLATE NOCASE,
    PathName VARCHAR(1000) COLLATE NOCASE,
    Code VARCHAR(100) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_View_ViewName ON VqkorvelAll_View (ViewName, PathName);
CREATE INDEX IF NOT EXISTS IX_VqkorvelAll_View_Code ON VqkorvelAll_View (Code);

-- Product catalogue
CREATE TABLE IF NOT EXISTS Product (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    ProductName VARCHAR(255) COLLATE NOCASE,
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE,
    ProductBak VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_Product_Style ON Product (ProductStyle, ProductStand);

CREATE TABLE IF NOT EXISTS ProductGroup (
    ProductStyle VARCHAR(100) COLLATE NOCASE NOT NULL PRIMARY KEY,
    ProductName VARCHAR(255) COLLATE NOCASE,
    Description VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    UpperManager VARCHAR(50) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductGroup_Manager ON ProductGroup (Manager);

CREATE TABLE IF NOT EXISTS ProductStand (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductStand_Style ON ProductStand (ProductStyle);

CREATE TABLE IF NOT EXISTS ProductDesigner (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductDesigner_Style ON ProductDesigner (ProductStyle);
CREATE INDEX IF NOT EXISTS IX_ProductDesigner_UserName ON ProductDesigner (UserName);

CREATE TABLE IF NOT EXISTS ProductRight (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    UserLogName VARCHAR(50) COLLATE NOCASE,
    ManageType VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductRight_User ON ProductRight (UserLogName, ManageType);
CREATE INDEX IF NOT EXISTS IX_ProductRight_Product ON ProductRight (ProductDwgCode);

CREATE TABLE IF NOT EXISTS ProductGroupTree (
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductStand VARCHAR(100) COLLATE NOCASE,
    UpGroupNo VARCHAR(100) COLLATE NOCASE,
    UpGroupType VARCHAR(50) COLLATE NOCASE,
    GroupNo VARCHAR(100) COLLATE NOCASE,
    GroupName VARCHAR(255) COLLATE NOCASE,
    GroupType VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductGroupTree_Style ON ProductGroupTree (ProductStyle, ProductStand);
CREATE INDEX IF NOT EXISTS IX_ProductGroupTree_Up ON ProductGroupTree (UpGroupNo);

CREATE TABLE IF NOT EXISTS BrowseRight (
    UserName VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    EndDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BrowseRight_User ON BrowseRight (UserName, PartCode);

-- Revision register of part codes
CREATE TABLE IF NOT EXISTS PartRevManage (
    PartCode VARCHAR(100) COLLATE NOCASE,
    RevPath VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE,
    CreateDate VARCHAR(30) COLLATE NOCASE,
    ModifiedDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_PartRevManage_PartCode ON PartRevManage (PartCode);

-- Borrowing (reuse) register
CREATE TABLE IF NOT EXISTS BorrowingRelation (
    Code VARCHAR(100) COLLATE NOCASE,
    BorrowedCode VARCHAR(100) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_Code ON BorrowingRelation (Code);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_BorrowedCode ON BorrowingRelation (BorrowedCode);
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_ProductCode ON BorrowingRelation (ProductCode);

CREATE TABLE IF NOT EXISTS BorrowedParts (
    PartCode VARCHAR(100) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_BorrowedParts_PartCode ON BorrowedParts (PartCode);
CREATE INDEX IF NOT EXISTS IX_BorrowedParts_ProductCode ON BorrowedParts (ProductCode);

-- Product review results
CREATE TABLE IF NOT EXISTS ProductAuditResult (
    ProductDwgCode VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    SavedTime VARCHAR(30) COLLATE NOCASE,
    ResultGroup VARCHAR(50) COLLATE NOCASE,
    Result VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProductAuditResult_Product ON ProductAuditResult (ProductDwgCode, ResultGroup);
