create table sys_yhxx (
    yonghdm varchar(12) not null primary key,
    yonghmc varchar(50),
    mim varchar(128),
    quanx varchar(255)
);

create table jkpg_jbxx (
    bianh varchar(10) not null primary key,
    xingm varchar(10)
);
