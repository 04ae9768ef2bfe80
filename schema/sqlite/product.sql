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

-- ---------------------------------------------------------------------------------------------
-- Projects, project tasks and the work tasks of the work groups, as the completeness query, the
-- personal work-task browser and the work-document picker read them: project and task rows, work
-- task rows, the work documents handed in as work results, and the design part links of a work.
CREATE TABLE IF NOT EXISTS ProjectManage (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    ProjectName VARCHAR(255) COLLATE NOCASE,
    ProjectPath VARCHAR(1000) COLLATE NOCASE,
    ProjectManager VARCHAR(50) COLLATE NOCASE,
    CreatedTime VARCHAR(30) COLLATE NOCASE,
    ModifiedTime VARCHAR(30) COLLATE NOCASE,
    PreendedTime VARCHAR(30) COLLATE NOCASE,
    WorkState VARCHAR(50) COLLATE NOCASE,
    Remark VARCHAR(255) COLLATE NOCASE,
    ProjectResource VARCHAR(255) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(1000) COLLATE NOCASE,
    TaskType VARCHAR(10) COLLATE NOCASE,
    AlertTime VARCHAR(30) COLLATE NOCASE,
    TaskAssigner VARCHAR(50) COLLATE NOCASE,
    Other3 VARCHAR(30) COLLATE NOCASE,
    Other4 INTEGER DEFAULT 500,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LatestRev VARCHAR(20) COLLATE NOCASE,
    PreTaskName VARCHAR(1000) COLLATE NOCASE,
    LeftTopPoint VARCHAR(50) COLLATE NOCASE,
    FinishedTime VARCHAR(30) COLLATE NOCASE
);
-- ProjectNo is the key by which every other table refers to an item: two clients dividing one
-- parent at the same moment cannot both store the same number. The unique index has a name of
-- its own, so that running this script again on an existing database adds it.
CREATE INDEX IF NOT EXISTS IX_ProjectManage_ProjectNo ON ProjectManage (ProjectNo);
CREATE UNIQUE INDEX IF NOT EXISTS UX_ProjectManage_ProjectNo ON ProjectManage (ProjectNo);
CREATE INDEX IF NOT EXISTS IX_ProjectManage_Path ON ProjectManage (ProjectPath, ProjectName);
CREATE INDEX IF NOT EXISTS IX_ProjectManage_Manager ON ProjectManage (ProjectManager);

CREATE TABLE IF NOT EXISTS TeamWorkManage (
    TaskNo VARCHAR(100) COLLATE NOCASE,
    UpWorkID VARCHAR(200) COLLATE NOCASE,
    WorkID VARCHAR(200) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    WorkName VARCHAR(255) COLLATE NOCASE,
    WorkPrompt TEXT COLLATE NOCASE,
    WorkRequest TEXT COLLATE NOCASE,
    WorkType VARCHAR(10) COLLATE NOCASE,
    BeginTime VARCHAR(30) COLLATE NOCASE,
    CheckTime VARCHAR(30) COLLATE NOCASE,
    PreEndedTime VARCHAR(30) COLLATE NOCASE,
    CreateTime VARCHAR(30) COLLATE NOCASE,
    WorkState VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    BeginNum INTEGER DEFAULT 1,
    EndNum INTEGER DEFAULT 9999,
    Other1 INTEGER DEFAULT 500,
    FinishedTime VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_WorkID ON TeamWorkManage (WorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_TaskNo ON TeamWorkManage (TaskNo);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_UpWorkID ON TeamWorkManage (UpWorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkManage_Manager ON TeamWorkManage (Manager);

CREATE TABLE IF NOT EXISTS TeamWorkResult (
    FileID VARCHAR(100) COLLATE NOCASE,
    WorkID VARCHAR(200) COLLATE NOCASE,
    FilePrompt VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileSize VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileLabel VARCHAR(100) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(1000) COLLATE NOCASE,
    AuditingType VARCHAR(50) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE,
    Other2 VARCHAR(255) COLLATE NOCASE,
    Other3 VARCHAR(255) COLLATE NOCASE,
    Other4 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_FileID ON TeamWorkResult (FileID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_WorkID ON TeamWorkResult (WorkID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResult_PartCode ON TeamWorkResult (PartCode);

CREATE TABLE IF NOT EXISTS TeamWorkPartTree (
    WorkID VARCHAR(200) COLLATE NOCASE,
    UpCode VARCHAR(100) COLLATE NOCASE,
    DCode VARCHAR(100) COLLATE NOCASE,
    DName VARCHAR(255) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_Work ON TeamWorkPartTree (WorkID, UpCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_UpCode ON TeamWorkPartTree (UpCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartTree_DCode ON TeamWorkPartTree (DCode);

-- Borrowing relation browser: releasing every borrowing below a parent deletes by UpCode
CREATE INDEX IF NOT EXISTS IX_BorrowingRelation_UpCode ON BorrowingRelation (UpCode);

-- ---------------------------------------------------------------------------------------------
-- Released documents of parts and the revision register of projects, as the revision browser and
-- the revision pickers read them.
CREATE TABLE IF NOT EXISTS Documents (
    Code VARCHAR(100) COLLATE NOCASE,
    DocumentType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileRemark VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_Documents_Code ON Documents (Code, RevNumber);

CREATE TABLE IF NOT EXISTS TaskRevManage (
    ProjectNo VARCHAR(200) COLLATE NOCASE,
    RevPath VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE,
    CreateDate VARCHAR(30) COLLATE NOCASE,
    ModifiedDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskRevManage_ProjectNo ON TaskRevManage (ProjectNo);

-- ---------------------------------------------------------------------------------------------
-- Change orders (as far as the revision browser reads them)
CREATE TABLE IF NOT EXISTS ECOPartRelease (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    IsChanged VARCHAR(10) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    RevNo VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOPartRelease_Part ON ECOPartRelease (PartCode, ECOGroup);
CREATE INDEX IF NOT EXISTS IX_ECOPartRelease_No ON ECOPartRelease (ECOGroup, ECONo);

CREATE TABLE IF NOT EXISTS ECORelateFile (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    DocType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(50) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB,
    Other4 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECORelateFile_No ON ECORelateFile (ECOGroup, ECONo, DocType);

-- ---------------------------------------------------------------------------------------------
-- Design projects and project tasks: project templates (the same columns as ProjectManage), the
-- task log, the project and work groups with their members' rights, and the outside documents
-- of project tasks.
CREATE TABLE IF NOT EXISTS ProjectTemplet (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    ProjectName VARCHAR(255) COLLATE NOCASE,
    ProjectPath VARCHAR(1000) COLLATE NOCASE,
    ProjectManager VARCHAR(50) COLLATE NOCASE,
    CreatedTime VARCHAR(30) COLLATE NOCASE,
    ModifiedTime VARCHAR(30) COLLATE NOCASE,
    PreendedTime VARCHAR(30) COLLATE NOCASE,
    WorkState VARCHAR(50) COLLATE NOCASE,
    Remark VARCHAR(255) COLLATE NOCASE,
    ProjectResource VARCHAR(255) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(1000) COLLATE NOCASE,
    TaskType VARCHAR(10) COLLATE NOCASE,
    AlertTime VARCHAR(30) COLLATE NOCASE,
    TaskAssigner VARCHAR(50) COLLATE NOCASE,
    Other3 VARCHAR(30) COLLATE NOCASE,
    Other4 INTEGER DEFAULT 500,
    CurrentRev VARCHAR(20) COLLATE NOCASE,
    LatestRev VARCHAR(20) COLLATE NOCASE,
    PreTaskName VARCHAR(1000) COLLATE NOCASE,
    LeftTopPoint VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ProjectTemplet_ProjectNo ON ProjectTemplet (ProjectNo);
CREATE INDEX IF NOT EXISTS IX_ProjectTemplet_Path ON ProjectTemplet (ProjectPath, ProjectName);

CREATE TABLE IF NOT EXISTS TaskLogInformation (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    ProjectName VARCHAR(255) COLLATE NOCASE,
    TaskName VARCHAR(255) COLLATE NOCASE,
    UserName VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(30) COLLATE NOCASE,
    SavedTime VARCHAR(30) COLLATE NOCASE,
    WorkType VARCHAR(50) COLLATE NOCASE,
    Result VARCHAR(50) COLLATE NOCASE,
    FileList VARCHAR(2000) COLLATE NOCASE,
    Advise TEXT COLLATE NOCASE,
    Remark TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskLogInformation_Project ON TaskLogInformation (ProjectNo, SavedTime);

-- One row per member of a group: TeamType "_P" (project group, TeamGroup the project number) or
-- "_T" (work group of a task, TeamGroup the task number). InterID is written under the Oracle
-- dialect only; it is unique so that two clients can never store the same identifier.
CREATE TABLE IF NOT EXISTS DesignProjectTeam (
    InterID INTEGER,
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    TeamType VARCHAR(10) COLLATE NOCASE,
    TeamGroup VARCHAR(100) COLLATE NOCASE,
    TeamUser VARCHAR(50) COLLATE NOCASE,
    IsLeader VARCHAR(1) COLLATE NOCASE,
    SaveTime VARCHAR(30) COLLATE NOCASE
);
CREATE UNIQUE INDEX IF NOT EXISTS UX_DesignProjectTeam_InterID ON DesignProjectTeam (InterID);
CREATE INDEX IF NOT EXISTS IX_DesignProjectTeam_Group ON DesignProjectTeam (TeamType, TeamGroup, TeamUser);
CREATE INDEX IF NOT EXISTS IX_DesignProjectTeam_User ON DesignProjectTeam (TeamUser);

CREATE TABLE IF NOT EXISTS DesignProjectTeamRight (
    TeamType VARCHAR(10) COLLATE NOCASE,
    TeamGroup VARCHAR(100) COLLATE NOCASE,
    TeamUser VARCHAR(50) COLLATE NOCASE,
    RightName VARCHAR(100) COLLATE NOCASE,
    RightValue VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_DesignProjectTeamRight_Group ON DesignProjectTeamRight (TeamType, TeamGroup, TeamUser);

CREATE TABLE IF NOT EXISTS TaskExtDocument (
    TaskNo VARCHAR(100) COLLATE NOCASE,
    DocType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB
);
CREATE INDEX IF NOT EXISTS IX_TaskExtDocument_Task ON TaskExtDocument (TaskNo, DocType);

-- ---------------------------------------------------------------------------------------------
-- Project tasks and work tasks: what the cascade deletions of a project subtree and of a work
-- task clear, and the outside resources of works (the task log and the outside documents of
-- project tasks are above). Task documents, task reviews and their document results, task
-- version documents; work requests, outside resources of works with their contents, relations,
-- advices, review steps and history of work documents, the contents of work documents, and the
-- design parts of a work.
CREATE TABLE IF NOT EXISTS TaskDocuments (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    DocumentType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileRemark VARCHAR(255) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB
);
CREATE INDEX IF NOT EXISTS IX_TaskDocuments_ProjectNo ON TaskDocuments (ProjectNo, DocumentType);

CREATE TABLE IF NOT EXISTS TaskAuditManage (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    AuditName VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    BeginTime VARCHAR(30) COLLATE NOCASE,
    FinishTime VARCHAR(30) COLLATE NOCASE,
    AuditState VARCHAR(50) COLLATE NOCASE,
    AuditResult VARCHAR(50) COLLATE NOCASE,
    AuditRemark TEXT COLLATE NOCASE,
    Working VARCHAR(10) COLLATE NOCASE,
    RedlineFiles TEXT COLLATE NOCASE,
    AuditManager VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskAuditManage_ProjectNo ON TaskAuditManage (ProjectNo, AuditName);

CREATE TABLE IF NOT EXISTS TaskFileResult (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    AuditName VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    DocumentType VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskFileResult_ProjectNo ON TaskFileResult (ProjectNo, AuditName);

CREATE TABLE IF NOT EXISTS TaskRevDocuments (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    DocumentType VARCHAR(255) COLLATE NOCASE,
    FileName VARCHAR(255) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileRemark VARCHAR(255) COLLATE NOCASE,
    RevNumber VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskRevDocuments_ProjectNo ON TaskRevDocuments (ProjectNo, RevNumber);

CREATE TABLE IF NOT EXISTS TeamWorkRequest (
    WorkID VARCHAR(200) COLLATE NOCASE,
    RequestType VARCHAR(50) COLLATE NOCASE,
    RequestContent TEXT COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkRequest_WorkID ON TeamWorkRequest (WorkID);

-- ResourceID is unique: two clients numbering a resource at the same moment cannot both store
-- the same identifier; the second one takes the next number.
CREATE TABLE IF NOT EXISTS TeamWorkResource (
    WorkID VARCHAR(200) COLLATE NOCASE,
    ResourceID VARCHAR(100) COLLATE NOCASE,
    ResourceType VARCHAR(255) COLLATE NOCASE,
    ResourceName VARCHAR(255) COLLATE NOCASE,
    FileSize VARCHAR(50) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    FileType VARCHAR(100) COLLATE NOCASE
);
CREATE UNIQUE INDEX IF NOT EXISTS IX_TeamWorkResource_ResourceID ON TeamWorkResource (ResourceID);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResource_WorkID ON TeamWorkResource (WorkID);

CREATE TABLE IF NOT EXISTS TeamWorkResourcePack (
    ResourceID VARCHAR(100) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResourcePack_ResourceID ON TeamWorkResourcePack (ResourceID);

CREATE TABLE IF NOT EXISTS TeamWorkRelation (
    FileID VARCHAR(100) COLLATE NOCASE,
    RelateFileID VARCHAR(100) COLLATE NOCASE,
    RelateType VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkRelation_FileID ON TeamWorkRelation (FileID);

CREATE TABLE IF NOT EXISTS TeamWorkAdvise (
    FileID VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    Advise TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkAdvise_FileID ON TeamWorkAdvise (FileID);

CREATE TABLE IF NOT EXISTS TeamWorkAudit (
    FileID VARCHAR(100) COLLATE NOCASE,
    AuditTask VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    BeginDate VARCHAR(30) COLLATE NOCASE,
    FinishDate VARCHAR(30) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    Result VARCHAR(50) COLLATE NOCASE,
    Prompt TEXT COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    Working VARCHAR(10) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkAudit_FileID ON TeamWorkAudit (FileID, AuditTask);
-- The steps waiting for the other documents of a change task ("等待", each only until its level
-- opens): opening a level of a change task goes through them instead of every document of the task.
CREATE INDEX IF NOT EXISTS IX_TeamWorkAudit_Waiting ON TeamWorkAudit (FileID) WHERE State = '等待';

CREATE TABLE IF NOT EXISTS TeamWorkHistory (
    FileID VARCHAR(100) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    Operation VARCHAR(50) COLLATE NOCASE,
    Prompt TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkHistory_FileID ON TeamWorkHistory (FileID);

CREATE TABLE IF NOT EXISTS TeamWorkResultPack (
    FileID VARCHAR(100) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkResultPack_FileID ON TeamWorkResultPack (FileID);

CREATE TABLE IF NOT EXISTS TeamWorkPart (
    WorkID VARCHAR(200) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    PartRev VARCHAR(20) COLLATE NOCASE,
    UserName VARCHAR(50) COLLATE NOCASE,
    TrastUser VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(30) COLLATE NOCASE,
    UsedFlag INTEGER DEFAULT 0,
    IsAssemble INTEGER DEFAULT 0,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPart_WorkID ON TeamWorkPart (WorkID, PartCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPart_PartCode ON TeamWorkPart (PartCode);
-- Work tasks of the work groups: a work task's id is its key (two clients numbering under one
-- parent at once cannot both store the same id), and the drawing pages that the work documents
-- hold for a part (the latest document of each page is the part's current one).
CREATE UNIQUE INDEX IF NOT EXISTS UX_TeamWorkManage_WorkID ON TeamWorkManage (WorkID);

CREATE TABLE IF NOT EXISTS TeamWorkPartResult (
    PartCode VARCHAR(100) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    PageNum VARCHAR(20) COLLATE NOCASE,
    PageCount VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartResult_PartCode ON TeamWorkPartResult (PartCode);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPartResult_FileID ON TeamWorkPartResult (FileID);

-- Review workflow: the review templates. They are maintained outside the system and only read
-- here; AuditingPath holds the steps as "name(left,top)" joined by "|*|", the top being the
-- step's level, and AuditingStyle "混合" runs the levels one after another.
CREATE TABLE IF NOT EXISTS AuditingManage (
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditingStyle VARCHAR(50) COLLATE NOCASE,
    AuditingPath TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_AuditingManage_AuditingModel ON AuditingManage (AuditingModel);

-- ---------------------------------------------------------------------------------------------
-- Engineering change orders and change labels: the configuration of the two groups ("更改单",
-- "修改单"), number reservations, change notice and modification notice headers and parts, the
-- review steps and assisting reviews of an order, publishing (released and affected parts,
-- handout departments), labels of change-order documents and of part drawings, and the
-- departments. ECOPartRelease and ECORelateFile are above.
CREATE TABLE IF NOT EXISTS ECOConfigure (
    ConfigureGroup VARCHAR(50) COLLATE NOCASE,
    ConfigureType VARCHAR(50) COLLATE NOCASE,
    ConfigureValue VARCHAR(2000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOConfigure_Group ON ECOConfigure (ConfigureGroup);

-- A serial is taken once per series: two clients reserving in one series at the same moment
-- cannot both store it; the second one takes the next free serial.
CREATE TABLE IF NOT EXISTS ECOSerialNo (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    NoGroup VARCHAR(100) COLLATE NOCASE,
    SerialNo INTEGER,
    UserName VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(20) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE
);
CREATE UNIQUE INDEX IF NOT EXISTS UX_ECOSerialNo_Serial ON ECOSerialNo (ECOGroup, NoGroup, SerialNo);
CREATE INDEX IF NOT EXISTS IX_ECOSerialNo_No ON ECOSerialNo (ECOGroup, ECONo);

CREATE TABLE IF NOT EXISTS ECOChangeManage (
    ECONo VARCHAR(100) COLLATE NOCASE,
    ECOLevel VARCHAR(20) COLLATE NOCASE,
    SaveUser VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(20) COLLATE NOCASE,
    State VARCHAR(20) COLLATE NOCASE,
    ProductStyle VARCHAR(100) COLLATE NOCASE,
    ProductName VARCHAR(255) COLLATE NOCASE,
    ProductCode VARCHAR(100) COLLATE NOCASE,
    Department VARCHAR(2000) COLLATE NOCASE,
    Remark VARCHAR(2000) COLLATE NOCASE,
    AffectNo VARCHAR(100) COLLATE NOCASE,
    AuditingType VARCHAR(20) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(2000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOChangeManage_No ON ECOChangeManage (ECONo);
CREATE INDEX IF NOT EXISTS IX_ECOChangeManage_State ON ECOChangeManage (State);

CREATE TABLE IF NOT EXISTS ECOChangePart (
    ECONo VARCHAR(100) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    ChangeLabel VARCHAR(255) COLLATE NOCASE,
    ChangePlace VARCHAR(50) COLLATE NOCASE,
    ChangeECO VARCHAR(2000) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOChangePart_No ON ECOChangePart (ECONo);
CREATE INDEX IF NOT EXISTS IX_ECOChangePart_Part ON ECOChangePart (PartCode);

CREATE TABLE IF NOT EXISTS ECOModifyManage (
    ECONo VARCHAR(100) COLLATE NOCASE,
    ECOLevel VARCHAR(20) COLLATE NOCASE,
    SaveUser VARCHAR(50) COLLATE NOCASE,
    SaveDate VARCHAR(20) COLLATE NOCASE,
    State VARCHAR(20) COLLATE NOCASE,
    ValidDate VARCHAR(20) COLLATE NOCASE,
    ValidType VARCHAR(10) COLLATE NOCASE,
    Department VARCHAR(2000) COLLATE NOCASE,
    Resion VARCHAR(2000) COLLATE NOCASE,
    Remark VARCHAR(2000) COLLATE NOCASE,
    AuditingType VARCHAR(20) COLLATE NOCASE,
    AuditingModel VARCHAR(255) COLLATE NOCASE,
    AuditorName VARCHAR(2000) COLLATE NOCASE,
    Content VARCHAR(4000) COLLATE NOCASE,
    AffectNo VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOModifyManage_No ON ECOModifyManage (ECONo);
CREATE INDEX IF NOT EXISTS IX_ECOModifyManage_State ON ECOModifyManage (State);

CREATE TABLE IF NOT EXISTS ECOModifyPart (
    ECONo VARCHAR(100) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    Result VARCHAR(2000) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE,
    Other2 VARCHAR(255) COLLATE NOCASE,
    Other3 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOModifyPart_No ON ECOModifyPart (ECONo);
CREATE INDEX IF NOT EXISTS IX_ECOModifyPart_Part ON ECOModifyPart (PartCode);

CREATE TABLE IF NOT EXISTS ECOAuditManage (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    AuditingType VARCHAR(20) COLLATE NOCASE,
    AuditName VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    BeginTime VARCHAR(20) COLLATE NOCASE,
    FinishTime VARCHAR(20) COLLATE NOCASE,
    AuditResult VARCHAR(50) COLLATE NOCASE,
    AuditRemark VARCHAR(4000) COLLATE NOCASE,
    Working VARCHAR(20) COLLATE NOCASE,
    AuditState VARCHAR(20) COLLATE NOCASE,
    AuditManager VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOAuditManage_No ON ECOAuditManage (ECOGroup, ECONo, AuditName);
CREATE INDEX IF NOT EXISTS IX_ECOAuditManage_Auditor ON ECOAuditManage (Auditor, AuditState);

CREATE TABLE IF NOT EXISTS ECONextAuditManage (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    UpAuditName VARCHAR(255) COLLATE NOCASE,
    Assigner VARCHAR(50) COLLATE NOCASE,
    AssignDate VARCHAR(20) COLLATE NOCASE,
    AuditName VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(50) COLLATE NOCASE,
    BeginTime VARCHAR(20) COLLATE NOCASE,
    FinishTime VARCHAR(20) COLLATE NOCASE,
    AuditState VARCHAR(20) COLLATE NOCASE,
    AuditResult VARCHAR(50) COLLATE NOCASE,
    AuditRemark VARCHAR(4000) COLLATE NOCASE,
    AuditRequest VARCHAR(4000) COLLATE NOCASE
);
-- A task is named once per step: two users adding tasks to one step at the same moment cannot
-- both store the same name; the second one takes the next free name.
CREATE UNIQUE INDEX IF NOT EXISTS UX_ECONextAuditManage_Key ON ECONextAuditManage (ECOGroup, ECONo, UpAuditName, AuditName);
CREATE INDEX IF NOT EXISTS IX_ECONextAuditManage_Auditor ON ECONextAuditManage (Auditor, AuditState);

CREATE TABLE IF NOT EXISTS ECOPartNotify (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    RelateType VARCHAR(10) COLLATE NOCASE,
    PartCode VARCHAR(100) COLLATE NOCASE,
    PartName VARCHAR(255) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE,
    ReleaseUser VARCHAR(50) COLLATE NOCASE,
    ReleaseDate VARCHAR(20) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOPartNotify_No ON ECOPartNotify (ECOGroup, ECONo);
CREATE INDEX IF NOT EXISTS IX_ECOPartNotify_Part ON ECOPartNotify (PartCode);

-- The departments that receive an order; maintained outside the system.
CREATE TABLE IF NOT EXISTS ECOHandout (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    Enpartment VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOHandout_No ON ECOHandout (ECOGroup, ECONo);

CREATE TABLE IF NOT EXISTS ECOFileChangeLabel (
    ECOGroup VARCHAR(50) COLLATE NOCASE,
    ECONo VARCHAR(100) COLLATE NOCASE,
    DocType VARCHAR(255) COLLATE NOCASE,
    ChangeLabel VARCHAR(100) COLLATE NOCASE,
    ChangeArea VARCHAR(100) COLLATE NOCASE,
    ChangeCount VARCHAR(50) COLLATE NOCASE,
    FileSerial VARCHAR(100) COLLATE NOCASE,
    Changer VARCHAR(50) COLLATE NOCASE,
    ChangeDate VARCHAR(20) COLLATE NOCASE,
    Resion VARCHAR(2000) COLLATE NOCASE,
    Content VARCHAR(4000) COLLATE NOCASE,
    Remark VARCHAR(2000) COLLATE NOCASE,
    LeftX VARCHAR(50) COLLATE NOCASE,
    LeftY VARCHAR(50) COLLATE NOCASE,
    RightX VARCHAR(50) COLLATE NOCASE,
    RightY VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_ECOFileChangeLabel_Doc ON ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel);

CREATE TABLE IF NOT EXISTS PartChangeLabel (
    PartCode VARCHAR(100) COLLATE NOCASE,
    RevNo VARCHAR(20) COLLATE NOCASE,
    ChangeLabel VARCHAR(100) COLLATE NOCASE,
    ChangeArea VARCHAR(100) COLLATE NOCASE,
    ChangeCount VARCHAR(50) COLLATE NOCASE,
    FileSerial VARCHAR(100) COLLATE NOCASE,
    Changer VARCHAR(50) COLLATE NOCASE,
    ChangeDate VARCHAR(20) COLLATE NOCASE,
    Resion VARCHAR(2000) COLLATE NOCASE,
    Content VARCHAR(4000) COLLATE NOCASE,
    Remark VARCHAR(2000) COLLATE NOCASE,
    LeftX VARCHAR(50) COLLATE NOCASE,
    LeftY VARCHAR(50) COLLATE NOCASE,
    RightX VARCHAR(50) COLLATE NOCASE,
    RightY VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_PartChangeLabel_Part ON PartChangeLabel (PartCode, RevNo, ChangeLabel);

-- Departments: Manager is the user name (UserName of UserInformation) of the department's head.
CREATE TABLE IF NOT EXISTS EnpartmentManage (
    Code VARCHAR(50) COLLATE NOCASE,
    Name VARCHAR(100) COLLATE NOCASE,
    Manager VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_EnpartmentManage_Name ON EnpartmentManage (Name);

-- Review workflow: the group rows of mixed-auditor steps, the return marks of returned
-- documents, the redline markup of reviewers' steps with the markup files' contents, and the
-- review levels of the documents of change tasks (created outside the system; read and advanced
-- by the review). FileLogID is one integer key in both markup tables; the SQL Server dialect
-- lets the database number it, the Oracle dialect takes it from the sequence Markup_FileLogID.
CREATE TABLE IF NOT EXISTS TeamWorkGroupAudit (
    FileID VARCHAR(100) COLLATE NOCASE,
    AuditTask VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkGroupAudit_FileID ON TeamWorkGroupAudit (FileID, AuditTask);
CREATE INDEX IF NOT EXISTS IX_TeamWorkGroupAudit_Waiting ON TeamWorkGroupAudit (FileID) WHERE State = '等待';

CREATE TABLE IF NOT EXISTS TeamWorkAuditChange (
    FileID VARCHAR(100) COLLATE NOCASE,
    TaskGroup VARCHAR(20) COLLATE NOCASE,
    PreAuditName VARCHAR(255) COLLATE NOCASE,
    PreAuditor VARCHAR(255) COLLATE NOCASE,
    LevelType VARCHAR(10) COLLATE NOCASE,
    CurrentAudit VARCHAR(255) COLLATE NOCASE,
    CurrentAuditor VARCHAR(255) COLLATE NOCASE,
    SavedTime VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkAuditChange_FileID ON TeamWorkAuditChange (FileID);

CREATE TABLE IF NOT EXISTS DesignMarkupManage (
    FileLogID INTEGER PRIMARY KEY,
    TaskID VARCHAR(200) COLLATE NOCASE,
    TaskGroup VARCHAR(20) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    AuditName VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(50) COLLATE NOCASE,
    AuditDate VARCHAR(30) COLLATE NOCASE,
    FileGroup VARCHAR(20) COLLATE NOCASE,
    FileBulk VARCHAR(50) COLLATE NOCASE,
    SaveTime VARCHAR(30) COLLATE NOCASE,
    FileType VARCHAR(20) COLLATE NOCASE,
    MarkupTool VARCHAR(50) COLLATE NOCASE,
    Other1 TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_DesignMarkupManage_Step ON DesignMarkupManage (FileID, AuditName, AuditDate);
CREATE INDEX IF NOT EXISTS IX_DesignMarkupManage_TaskID ON DesignMarkupManage (TaskID);

CREATE TABLE IF NOT EXISTS DesignMarkupPackage (
    FileLogID INTEGER,
    FileType VARCHAR(20) COLLATE NOCASE,
    FileDate VARCHAR(30) COLLATE NOCASE,
    DocSaved VARCHAR(10) COLLATE NOCASE,
    DocContent BLOB
);
CREATE INDEX IF NOT EXISTS IX_DesignMarkupPackage_FileLogID ON DesignMarkupPackage (FileLogID);

INSERT INTO vq_sequences (Name, Value) SELECT 'Markup_FileLogID', 0
    WHERE NOT EXISTS (SELECT 1 FROM vq_sequences WHERE Name = 'Markup_FileLogID');

CREATE TABLE IF NOT EXISTS ECOAuditLevel (
    ECOTaskNo VARCHAR(200) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    IsECOFile VARCHAR(1) COLLATE NOCASE,
    CurrentAuditLevel INTEGER DEFAULT 0,
    MaxAuditLevel INTEGER DEFAULT 0
);
CREATE INDEX IF NOT EXISTS IX_ECOAuditLevel_Task ON ECOAuditLevel (ECOTaskNo, FileID);
CREATE INDEX IF NOT EXISTS IX_ECOAuditLevel_FileID ON ECOAuditLevel (FileID);

-- Review decisions: assisting sub-reviews of a step, decisions taken by a delegate, and the map
-- of design documents to their process-planning copies.
CREATE TABLE IF NOT EXISTS TeamWorkNextAudit (
    FileID VARCHAR(100) COLLATE NOCASE,
    UpAuditName VARCHAR(255) COLLATE NOCASE,
    Assigner VARCHAR(50) COLLATE NOCASE,
    AssignDate VARCHAR(30) COLLATE NOCASE,
    AuditTask VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    BeginDate VARCHAR(30) COLLATE NOCASE,
    FinishDate VARCHAR(30) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE,
    Result VARCHAR(50) COLLATE NOCASE,
    Prompt TEXT COLLATE NOCASE,
    AuditRequest TEXT COLLATE NOCASE,
    Working VARCHAR(10) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkNextAudit_Step ON TeamWorkNextAudit (FileID, UpAuditName, AuditTask);
CREATE INDEX IF NOT EXISTS IX_TeamWorkNextAudit_Auditor ON TeamWorkNextAudit (Auditor);

CREATE TABLE IF NOT EXISTS AuditConsignHistory (
    OPERATOR VARCHAR(50) COLLATE NOCASE,
    AUDITCONSIGNER VARCHAR(50) COLLATE NOCASE,
    WORKID VARCHAR(200) COLLATE NOCASE,
    FILEID VARCHAR(100) COLLATE NOCASE,
    AUDITNAME VARCHAR(255) COLLATE NOCASE,
    AUDITRESULT VARCHAR(50) COLLATE NOCASE,
    AUDITOPTION TEXT COLLATE NOCASE,
    AUDITTIME VARCHAR(30) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_AuditConsignHistory_File ON AuditConsignHistory (FILEID, AUDITNAME);

CREATE TABLE IF NOT EXISTS CAPPFileIDMap (
    PFileID VARCHAR(100) COLLATE NOCASE,
    CFileID VARCHAR(100) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_CAPPFileIDMap_PFileID ON CAPPFileIDMap (PFileID);

-- Review workflow (results): the related messages of a task or a drawing, read by the related
-- information dialog. Rows are written outside the system.
CREATE TABLE IF NOT EXISTS RelateMessage (
    Code VARCHAR(200) COLLATE NOCASE,
    Type VARCHAR(20) COLLATE NOCASE,
    Topic VARCHAR(255) COLLATE NOCASE,
    Saver VARCHAR(50) COLLATE NOCASE,
    SaveTime VARCHAR(30) COLLATE NOCASE,
    Content TEXT COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_RelateMessage_Code ON RelateMessage (Code, Type);

-- Change labels of part drawings: a mark names one label within a part revision. The unique key
-- keeps two users from storing the same mark at once (the label dialog counts first, but the count
-- and the write are two statements).
CREATE UNIQUE INDEX IF NOT EXISTS UX_PartChangeLabel_Key ON PartChangeLabel (PartCode, RevNo, ChangeLabel);

-- ---------------------------------------------------------------------------------------------
-- Team work: drawing download requests. A request names its applicant, apply date, approver
-- with date and opinion, and who downloaded the drawings when; Other1 holds the request's state.
-- Its drawings are rows of TeamWorkPrintFile (FileID the product, Other1 the drawing number,
-- Other2 the drawing name, Other3 the version, Other4 the file name). Both are written outside
-- the system and only searched here.
CREATE TABLE IF NOT EXISTS TeamWorkPrintMain (
    ApplyNo VARCHAR(100) COLLATE NOCASE,
    Applicator VARCHAR(50) COLLATE NOCASE,
    ApplyDate VARCHAR(30) COLLATE NOCASE,
    Checker VARCHAR(50) COLLATE NOCASE,
    CheckDate VARCHAR(30) COLLATE NOCASE,
    CheckReason VARCHAR(1000) COLLATE NOCASE,
    Printer VARCHAR(50) COLLATE NOCASE,
    PrintDate VARCHAR(30) COLLATE NOCASE,
    Other1 VARCHAR(255) COLLATE NOCASE,
    Other2 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPrintMain_ApplyNo ON TeamWorkPrintMain (ApplyNo);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPrintMain_Applicator ON TeamWorkPrintMain (Applicator, ApplyDate);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPrintMain_ApplyDate ON TeamWorkPrintMain (ApplyDate);

CREATE TABLE IF NOT EXISTS TeamWorkPrintFile (
    ApplyNo VARCHAR(100) COLLATE NOCASE,
    FileID VARCHAR(100) COLLATE NOCASE,
    Other1 VARCHAR(100) COLLATE NOCASE,
    Other2 VARCHAR(255) COLLATE NOCASE,
    Other3 VARCHAR(50) COLLATE NOCASE,
    Other4 VARCHAR(255) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPrintFile_ApplyNo ON TeamWorkPrintFile (ApplyNo);
CREATE INDEX IF NOT EXISTS IX_TeamWorkPrintFile_Other1 ON TeamWorkPrintFile (Other1);

-- ---------------------------------------------------------------------------------------------
-- Design review of project tasks: one row per member step of a group step ("[M]" in the review
-- path) that the review of a project task has opened; the step rows themselves are in
-- TaskAuditManage, the passed document types in TaskFileResult (above).
CREATE TABLE IF NOT EXISTS TaskGroupAuditManage (
    ProjectNo VARCHAR(100) COLLATE NOCASE,
    AuditTask VARCHAR(255) COLLATE NOCASE,
    Auditor VARCHAR(255) COLLATE NOCASE,
    State VARCHAR(50) COLLATE NOCASE
);
CREATE INDEX IF NOT EXISTS IX_TaskGroupAuditManage_Task ON TaskGroupAuditManage (ProjectNo, AuditTask);
-- Change labels of change-order documents: a mark names one label within an attached document of
-- a change order. The unique key keeps two users from storing the same mark at once.
CREATE UNIQUE INDEX IF NOT EXISTS UX_ECOFileChangeLabel_Key ON ECOFileChangeLabel (ECOGroup, ECONo, DocType, ChangeLabel);
